#include "lan/lan_units.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <iterator>

#include "driver/link.h"
#include "driver/serial_link.h"
#include "driver/unit_discovery.h"
#include "driver/visa_session.h"

namespace {

// An answer line is read on to this size at most, as the core's VISA reads are.
constexpr int longest_answer = 4096;
// A unit on a serial port takes the bytes that arrive until the line has been
// quiet for 20 ms as one command. The core always waits for an answer between
// commands; a network client may write twice in a row, so the second write
// waits until the first has been taken on its own.
constexpr qint64 serial_command_gap_ms = 25;

// Runs from a serial write until an answer shows the unit took the command.
QElapsedTimer& since_unanswered_write() {
    static QElapsedTimer timer;
    return timer;
}

bool visa_read_line(QByteArray& line) {
    line.clear();
    ViStatus status = VI_SUCCESS_MAX_CNT;
    while (status == VI_SUCCESS_MAX_CNT && !line.endsWith('\n') && line.size() < longest_answer) {
        char buffer[visa_answer_size] = {};
        const int length = visa_read(buffer, visa_answer_size, &status);
        if (status < VI_SUCCESS) {
            // A unit that went away is opened afresh by the next select.
            if (status == VI_ERROR_CONN_LOST) {
                visa_close();
            }
            return false;
        }
        line += QByteArray(buffer, length >= 0 ? length : int(qstrnlen(buffer, visa_answer_size)));
    }
    return !line.isEmpty();
}

}  // namespace

bool lan_units_t::find(const QByteArray& serial_number) {
    if (!knows(serial_number) &&
        (!last_search.isValid() || last_search.hasExpired(search_interval_ms))) {
        rescan();
    }
    return knows(serial_number);
}

void lan_units_t::rescan() {
    last_search.start();
    if (!visa_available()) {
        serial_close();
    }
    const QStringList names = find_units(search);
    current.clear();
    for (const QString& name : names) {
        const QByteArray link_name = name.toUtf8();
        if (std::find(link_names.cbegin(), link_names.cend(), link_name) != link_names.cend()) {
            continue;
        }
        QByteArray serial_number;
        if (connect_unit(link_name) && link_query("SN?", serial_number) &&
            !serial_number.isEmpty()) {
            link_names.insert(serial_number.trimmed(), link_name);
            current = link_name;
        }
    }
}

bool lan_units_t::select(const QByteArray& serial_number) {
    const QByteArray link_name = link_names.value(serial_number);
    if (link_name.isEmpty()) {
        return false;
    }
    // A link the core closed after a failure is opened again.
    const bool open = visa_available() ? visa_session() != 0 : serial_port().isOpen();
    if (link_name == current && open) {
        return true;
    }
    current.clear();
    if (!connect_unit(link_name)) {
        return false;
    }
    current = link_name;
    return true;
}

bool unit_write(const QByteArray& message) {
    if (visa_available()) {
        return link_write(message);
    }
    QElapsedTimer& quiet = since_unanswered_write();
    if (quiet.isValid() && quiet.elapsed() < serial_command_gap_ms) {
        QThread::msleep(unsigned(serial_command_gap_ms - quiet.elapsed()));
    }
    // An answer no client read (or read to its end) is not the next command's.
    QByteArray stale;
    serial_read(stale);
    const bool written = serial_write(message);
    quiet.start();
    return written;
}

bool unit_read_line(QByteArray& line) {
    if (visa_available()) {
        return visa_read_line(line);
    }
    if (!serial_read_line(line)) {
        return false;
    }
    since_unanswered_write().invalidate();
    return true;
}
