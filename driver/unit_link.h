#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// One open unit: its serial port or VISA session and all that belongs to it.
// Each link is used by one thread at a time; links of different units may be
// used on different threads at once. Results are honest: false when the link
// is closed, the bytes were refused, or no whole answer came in time.
class unit_link_t {
public:
    virtual ~unit_link_t() = default;

    virtual bool open(const QByteArray& name) = 0;
    virtual void close() = 0;
    virtual bool is_open() const = 0;
    // After open failed: true when another program holds the unit.
    virtual bool busy() const { return false; }
    // The name the link was last opened under.
    QByteArray name() const { return opened_name; }

    // Sends the command exactly as given.
    virtual bool write(const QByteArray& command) = 0;
    // The answer that waits, its line feed removed.
    virtual bool read(QByteArray& answer) = 0;
    // Writes, then takes the answer line whole, its line feed removed.
    virtual bool query(const QByteArray& command, QByteArray& answer) = 0;
    // The next answer line whole, its line feed kept, within the link's bounds.
    virtual bool read_line(QByteArray& line) = 0;
    // How long a read waits for an answer (the first byte over a serial port,
    // each read over VISA), from now on; 0 keeps the link's own.
    virtual void set_answer_timeout(int ms) = 0;

    // Called once the link has found its unit gone; the link is closed by then.
    std::function<void(const QString& name)> on_lost;

protected:
    void announce_lost() {
        if (on_lost) {
            on_lost(QString::fromUtf8(opened_name));
        }
    }
    QByteArray opened_name;
};
