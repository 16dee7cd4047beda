#pragma once

#include <QByteArray>
#include <QVector>

#include "sim/sim_unit_config.h"

// One firmware section as the bootloader received it.
struct sim_section_t {
    QByteArray announcement;  // "HOSTUG" (application) or "BOOTUG" (bootloader)
    int announced = 0;        // length given in the announcement
    QByteArray received;      // block bytes as they came, padding included
    bool passed = false;      // complete when "UPGRADE:PASS" closed it
};

// One identity command: its name without the trailing blank, and its data.
struct sim_identity_t {
    QByteArray command;
    QByteArray data;
};

// What the unit saw of an upgrade, for comparison with the image sent. Each
// list keeps its newest entries: 4096 commands, 64 sections and identities.
struct sim_upgrade_record_t {
    QVector<sim_section_t> sections;
    QVector<sim_identity_t> identities;
    // Every command the unit handled while online, in order, as it arrived
    // (a terminator included); block and identity data replaced by
    // "<N bytes>".
    QVector<QByteArray> commands;
};

constexpr int sim_block_size = 2048;

// Receiving side of the upgrade protocol. Not locked: its unit is.
class sim_receiver_t {
public:
    // Takes an upgrade command that is answered with nothing; false when the
    // command is none of them.
    bool take(const QByteArray& command, sim_mode_t mode);
    void note(const QByteArray& command);
    // Read-back queries, for checking a transfer from outside:
    //   "SIM:RECord?"      the command record, entries joined by ","
    //   "SIM:HELD? <name>" the data held for "HOSTUG", "BOOTUG" (the blocks of
    //                      the last passed section, padding included) or an
    //                      identity command's name
    // Both percent-encoded, so any byte survives the line. False for other commands.
    bool answer(const QByteArray& command, QByteArray& text) const;

    // Whether the last announcement or block was accepted.
    bool ready() const { return step_ok; }
    // False from "UPGRADE:FAIL" until a complete application section passes.
    bool application_valid() const { return app_valid; }
    // Application image of the last passed section; empty when none is pending.
    QByteArray take_new_application();
    QByteArray held(const QByteArray& name) const;
    const sim_upgrade_record_t& record() const { return log; }

private:
    bool take_announcement(const QByteArray& command, sim_mode_t mode);
    bool take_block(const QByteArray& command, sim_mode_t mode);
    bool take_identity(const QByteArray& command);
    void pass();
    sim_section_t* open_section();

    sim_upgrade_record_t log;
    bool step_ok = true;
    bool app_valid = true;
    bool section_open = false;
    QByteArray new_application;
};

// Version text an application image reports after it was installed: "app-"
// and the first eight hex digits of the image's SHA-256.
QByteArray sim_image_version(const QByteArray& image);
