#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "driver/unit_discovery.h"
#include "lan/unit_exchange.h"
#include "lan/unit_worker.h"

class QThread;

// The units this PC reaches, each on a worker of its own and named by the
// serial number it identified itself with. Everything here runs on the
// server's thread; answers come back to it from the workers.
class lan_units_t : public QObject {
public:
    explicit lan_units_t(unit_search_t where);
    ~lan_units_t() override;

    // Lists the ports or resources and has each unit not known yet identify
    // itself, each on its own worker at once; done when all have answered.
    void search(std::function<void()> done);
    QList<QByteArray> serial_numbers() const;
    // done(true) once a unit goes by this serial number; a number not known
    // starts a search, but not more often than every lan_search_interval_ms.
    void find(const QByteArray& serial_number, std::function<void(bool)> done);
    // done(true) when the unit identifies itself as this serial number again,
    // or is that unit in its bootloader during a restart it was told to make.
    void verify(const QByteArray& serial_number, std::function<void(bool)> done);
    // Sends the job's command to its unit; done always comes, on this thread.
    void exchange(const lan_exchange_t& job,
                  std::function<void(const lan_exchange_result_t&)> done);

private:
    unit_worker_t* worker_named(const QByteArray& name) const;
    unit_worker_t* worker_of(const QByteArray& serial_number) const;
    // done gets the serial number the unit is served under now, if any.
    void verify_worker(unit_worker_t& worker, std::function<void(const QByteArray&)> done);
    void note_claim(const QByteArray& name, const QByteArray& claim);
    void identify_found();
    void end_search();

    const unit_search_t where;
    std::vector<std::unique_ptr<unit_worker_t>> workers;
    QThread* finder = nullptr;
    QStringList found;
    // Whoever waits for the search under way; empty while none is.
    QList<std::function<void()>> searching;
    int unanswered = 0;
    QElapsedTimer last_search;
};
