#pragma once

#include <QByteArray>
#include <QThread>
#include <QVector>
#include <atomic>

#include "upgrade/image_reader.h"
#include "upgrade/unit_return.h"

class visa_link_t;

// The image to send, in the form files are opened, and its chain of sections
// as checked when it was chosen; written before the worker starts and read
// once at the start of its run.
QByteArray& upgrade_image_path();
QVector<section_descriptor_t>& upgrade_image_chain();

// How a run ended.
struct upgrade_result_t {
    // The resource text of the unit the run began on.
    QByteArray unit;
    // Every section passed and that unit is back.
    bool passed = false;
    unit_return_t unit_return;
    // Stopped on request: the unit was not restarted, and an upgrade from the
    // image's start finishes it.
    bool stopped = false;
};

// Sends the chosen image to the unit open on the link at the start, section by
// section, and restarts the unit at the end, whatever the outcome. The unit
// is followed by its serial number across its restarts; a unit that cannot
// be followed is sent nothing.
class upgrade_thread_t : public QThread {
    Q_OBJECT
public:
    // The window's VISA link unless told otherwise.
    upgrade_thread_t();
    explicit upgrade_thread_t(visa_link_t& link);

    // The last run's end; read once the worker has finished.
    upgrade_result_t result() const { return last_result; }

    // One run; start() runs it on the worker's own thread, and a program that
    // must see the thread gone before it ends may run it on one it joins.
    void run() override;
    // Ends the run once the step on the wire is done, without restarting the
    // unit; any thread may ask.
    void stop() { stop_requested = true; }

signals:
    // A section begins: its data length and the low byte of its type.
    void init_progress_bar(ulong total, uint type);
    // Data bytes of the section sent so far, and whether the step succeeded.
    void send_upgrade_state(ulong progress, bool ok);
    void send_upgrade_success();

private:
    bool send_image(const QByteArray& path, const QVector<section_descriptor_t>& chain);

    visa_link_t& link;
    upgrade_result_t last_result;
    std::atomic<bool> stop_requested{false};
};
