#pragma once

#include <QByteArray>
#include <QThread>

// The image to send, in the form files are opened; written before the worker
// starts and read once at the start of its run.
QByteArray& upgrade_image_path();

// Sends the image named by upgrade_image_path to the unit, section by section,
// and restarts the unit at the end, whatever the outcome.
class upgrade_thread_t : public QThread {
    Q_OBJECT
public:
    upgrade_thread_t();

signals:
    // A section begins: its data length and the low byte of its type.
    void init_progress_bar(ulong total, uint type);
    // Data bytes of the section sent so far, and whether the step succeeded.
    void send_upgrade_state(ulong progress, bool ok);
    void send_upgrade_success();

protected:
    void run() override;
};
