#include "lan/lan_units.h"

#include <QSerialPort>
#include <QStringList>
#include <algorithm>
#include <iterator>

#include "driver/link.h"
#include "driver/serial_link.h"
#include "driver/visa_session.h"
#include "panel/unit_discovery.h"

namespace {

// An answer line is read on to this size at most, as the core's VISA reads are.
constexpr int longest_answer = 4096;

bool visa_read_line(QByteArray& line) {
    line.clear();
    ViStatus status = VI_SUCCESS_MAX_CNT;
    while (status == VI_SUCCESS_MAX_CNT && !line.endsWith('\n') && line.size() < longest_answer) {
        char buffer[visa_answer_size] = {};
        const int length = visa_read(buffer, visa_answer_size, &status);
        if (status < VI_SUCCESS) {
            return false;
        }
        line += QByteArray(buffer, length >= 0 ? length : int(qstrnlen(buffer, visa_answer_size)));
    }
    return !line.isEmpty();
}

}  // namespace

void lan_units_t::rescan() {
    const QStringList names = find_units();
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
    return link_write(message);
}

bool unit_read_line(QByteArray& line) {
    if (visa_available()) {
        return visa_read_line(line);
    }
    return serial_read_line(line);
}
