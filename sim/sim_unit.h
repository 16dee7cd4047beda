#pragma once

#include <QByteArray>
#include <QMutex>
#include <chrono>

#include "sim/answer_piece.h"
#include "sim/sim_receiver.h"
#include "sim/sim_unit_config.h"

// One simulated switch unit: application, bootloader and restarts. handle()
// may be called from several threads.
class sim_unit_t {
public:
    explicit sim_unit_t(const sim_unit_config_t& config);

    // Answer to one command, exactly the bytes that arrived; empty while
    // offline and for the commands a host reads no answer to.
    answer_t handle(const QByteArray& command);

    // False from a "REBOOT" until the restart time has passed, and for good
    // once the unit has vanished.
    bool online() const;
    // True once the unit has taken the commands its vanish fault allows.
    bool vanished() const;
    // The mode it runs in, or comes back in while restarting.
    sim_mode_t mode() const;
    QByteArray software_version() const;
    sim_unit_config_t config() const;
    sim_upgrade_record_t upgrade_record() const;

private:
    using steady = std::chrono::steady_clock;

    bool online_locked() const;
    bool vanished_locked() const;
    QByteArray answer_line(const QByteArray& command);
    QByteArray line_end(const QByteArray& command) const;
    QByteArray answer_text(const QByteArray& command);
    QByteArray switch_answer(const QByteArray& command);
    void restart(sim_mode_t into);

    mutable QMutex mutex;
    const sim_unit_config_t cfg;
    sim_mode_t current_mode;
    QByteArray version;
    // What it states: its configured serial number, unless it was swapped.
    QByteArray serial_number;
    QByteArray positions;
    steady::time_point back_at;
    qint64 taken = 0;
    sim_receiver_t receiver;
};
