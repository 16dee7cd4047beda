#include "driver/visa_session.h"

#include <QThread>
#include <algorithm>
#include <climits>
#include <iterator>

#include "driver/link_events.h"
#include "driver/unit_answers.h"
#include "driver/unit_family.h"
#include "driver/visa_device.h"

namespace {

constexpr int visa_query_pause_ms = 10;
// A long answer (an instrument's identification) is read on up to this size.
constexpr int visa_longest_answer = 4096;

// The buffer's text before its first zero byte.
QByteArray buffer_text(const char (&buffer)[visa_answer_size]) {
    return QByteArray(buffer, int(qstrnlen(buffer, visa_answer_size)));
}

}  // namespace

bool visa_available() {
    return drv_device_instance().ready;
}

visa_link_t::~visa_link_t() {
    close();
}

bool visa_link_t::open(const QByteArray& name) {
    close();
    if (drv_device_instance().open_resource(name, current, io_timeout_ms) != VI_SUCCESS) {
        current = 0;
        return false;
    }
    opened_name = name;
    answer_left = false;
    return true;
}

void visa_link_t::close() {
    if (current != 0 && drv_device_instance().close_session(current) == VI_SUCCESS) {
        current = 0;
    }
    answer_left = false;
}

void visa_link_t::set_answer_timeout(int ms) {
    io_timeout_ms = ViUInt32(std::max(ms, 0));
    if (current != 0 && io_timeout_ms != 0) {
        drv_device_instance().set_io_timeout(current, io_timeout_ms);
    }
}

// A session whose resource is gone is closed, so every later operation fails
// at once until the next connection; the operator is told which unit it was.
bool visa_link_t::alive(ViStatus status) {
    if (status != VI_ERROR_CONN_LOST) {
        return true;
    }
    close();
    announce_lost();
    return false;
}

// The unit is followed by what it says: a resource that names a serial
// number must name its own, and whatever answers there must state it in full.
bool visa_link_t::is_followed_unit(const QString& resource, QByteArray* answer) {
    const QByteArray named = unit_resource_serial(resource).toUtf8();
    if (!named.isEmpty() && named != unit_serial) {
        return false;
    }
    QByteArray said;
    if (!query("SN?", said)) {
        said.clear();
    }
    if (answer != nullptr) {
        *answer = said;
    }
    return !said.isEmpty() && said == unit_serial;
}

bool visa_link_t::reopen() {
    close();
    reached = false;
    reached_answer.clear();
    if (unit_serial.isEmpty()) {
        return false;
    }
    drv_device_t& device = drv_device_instance();
    if (device.reopen_resource(opened_name, current, io_timeout_ms)) {
        reached = true;
        if (is_followed_unit(QString::fromUtf8(opened_name), &reached_answer)) {
            return true;
        }
        close();
        return false;
    }
    // The unit may come back under another name (its bootloader, say): taken
    // only when exactly one resource can be it, never one of two that look
    // alike.
    const QStringList attached = visa_attached_units();
    QStringList naming;
    QStringList unnamed;
    for (const QString& resource : attached) {
        if (attached.count(resource) > 1) {
            continue;
        }
        const QString named = unit_resource_serial(resource);
        if (named.isEmpty()) {
            unnamed.append(resource);
        } else if (named.toUtf8() == unit_serial) {
            naming.append(resource);
        }
    }
    QStringList answering;
    for (const QString& resource : naming.isEmpty() ? unnamed : naming) {
        if (device.open_resource(resource.toUtf8(), current, io_timeout_ms) == VI_SUCCESS &&
            is_followed_unit(resource)) {
            answering.append(resource);
        }
        close();
        current = 0;
    }
    if (answering.size() != 1 ||
        device.open_resource(answering.first().toUtf8(), current, io_timeout_ms) != VI_SUCCESS) {
        current = 0;
        return false;
    }
    opened_name = answering.first().toUtf8();
    return true;
}

bool visa_link_t::clear() {
    return drv_device_instance().clear_session(current) == VI_SUCCESS;
}

bool visa_link_t::write_bytes(const char* bytes, int count, ViStatus* status) {
    if (answer_left) {
        clear();
        answer_left = false;
    }
    return drv_device_instance().write_bytes(current, bytes, count, status);
}

int visa_link_t::read_bytes(char* buffer, int max_count, ViStatus* status) {
    ViStatus result = VI_SUCCESS;
    const int length = drv_device_instance().read_bytes(current, buffer, max_count, &result);
    // A read that gave up may leave the answer, or its rest, still to come;
    // one that reached an answer's end took it.
    if (result == VI_ERROR_TMO) {
        answer_left = true;
    } else if (result == VI_SUCCESS) {
        answer_left = false;
    }
    if (status) {
        *status = result;
    }
    return length;
}

// Reads one answer buffer by buffer while the library reports the buffer
// filled and the unit's line feed has not come, so the next command starts
// aligned; keeps the text before the first zero byte. An answer the timeout
// or an error cut short is no answer: nothing of it is kept. VISA marks an
// answer's end itself, so one that lacks its line feed is kept whole rather
// than losing a character of its text.
bool visa_link_t::read_text(QByteArray& answer, bool keep_line_feed) {
    char buffer[visa_answer_size] = {};
    ViStatus status = VI_SUCCESS;
    const int length = read_bytes(buffer, visa_answer_size, &status);
    if (!alive(status) || length == 0 || status < VI_SUCCESS) {
        return false;
    }
    QByteArray text = buffer_text(buffer);
    bool cut = text.size() < visa_answer_size;
    for (int size = visa_answer_size;
         status == VI_SUCCESS_MAX_CNT && buffer[visa_answer_size - 1] != '\n' &&
         size < visa_longest_answer;
         size += visa_answer_size) {
        std::fill(std::begin(buffer), std::end(buffer), '\0');
        read_bytes(buffer, visa_answer_size, &status);
        if (!alive(status) || status < VI_SUCCESS) {
            return false;
        }
        // Past a zero byte the rest is only drained.
        if (!cut) {
            const QByteArray more = buffer_text(buffer);
            text += more;
            cut = more.size() < visa_answer_size;
        }
    }
    answer_left = status == VI_SUCCESS_MAX_CNT && buffer[visa_answer_size - 1] != '\n';
    if (text.isEmpty()) {
        return false;
    }
    if (!keep_line_feed && text.endsWith('\n')) {
        text.chop(1);
    }
    answer = text;
    return true;
}

bool visa_link_t::write(const QByteArray& command) {
    ViStatus status = VI_SUCCESS;
    const bool written = write_bytes(command.constData(), command.size(), &status);
    // Its answer waits for a read the caller may never make; a command the
    // unit never answers leaves nothing to clear.
    answer_left = written && unit_answers(command);
    alive(status);
    return written;
}

bool visa_link_t::read(QByteArray& answer) {
    return read_text(answer, false);
}

bool visa_link_t::read_line(QByteArray& line) {
    return read_text(line, true);
}

bool visa_link_t::query(const QByteArray& command, QByteArray& answer) {
    ViStatus status = VI_SUCCESS;
    if (!write_bytes(command.constData(), command.size(), &status)) {
        alive(status);
        return false;
    }
    QThread::msleep(visa_query_pause_ms);
    return read_text(answer, false);
}

visa_link_t& current_visa_link() {
    // Never destroyed, like the library it uses.
    static visa_link_t* link = [] {
        auto* made = new visa_link_t;
        made->on_lost = [](const QString& name) { emit link_events().unit_lost(name); };
        return made;
    }();
    return *link;
}

ViSession visa_session() {
    return current_visa_link().session();
}

QByteArray visa_resource_name() {
    return current_visa_link().name();
}

int visa_find_units(QStringList& list, ViUInt32& count) {
    return drv_device_instance().find_units(list, count);
}

QStringList visa_attached_units() {
    QStringList found;
    ViUInt32 count = 0;
    drv_device_instance().find_units(found, count);
    QStringList units;
    for (const QString& resource : found) {
        if (is_unit_resource(resource)) {
            units.append(resource);
        }
    }
    return units;
}

bool visa_open(const QByteArray& name) {
    return current_visa_link().open(name);
}

void visa_set_io_timeout(ViUInt32 ms) {
    current_visa_link().set_answer_timeout(int(std::min<ViUInt32>(ms, INT_MAX)));
}

bool visa_close() {
    visa_link_t& link = current_visa_link();
    const bool open = link.is_open();
    link.close();
    return open && !link.is_open();
}

bool visa_connect(const QByteArray& name) {
    return current_visa_link().open(name);
}

bool visa_reopen() {
    return current_visa_link().reopen();
}

bool visa_clear() {
    return current_visa_link().clear();
}

bool visa_write(const char* bytes, int count, ViStatus* status) {
    return current_visa_link().write_bytes(bytes, count, status);
}

bool visa_read_answer(QByteArray& answer) {
    return current_visa_link().read(answer);
}

bool visa_query(const QByteArray& command, QByteArray& answer) {
    return current_visa_link().query(command, answer);
}

int visa_read(char* buffer, int max_count, ViStatus* status) {
    return current_visa_link().read_bytes(buffer, max_count, status);
}

void visa_set_answer_left(bool left) {
    current_visa_link().set_answer_left(left);
}
