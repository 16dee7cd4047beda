#pragma once

#include <QByteArray>
#include <QStringList>

#include "driver/unit_link.h"
#include "driver/visa_types.h"

// Results of the driver's int-valued operations.
constexpr int visa_done = 1;
constexpr int visa_not_usable = 100;
constexpr int visa_none_found = 101;

// Fixed for the whole process at its first call.
bool visa_available();

// Text-level reads over VISA, this many bytes at a time; a longer answer is
// read on to its end.
constexpr int visa_answer_size = 60;

// A unit behind a VISA instrument session. After a read that timed out, or
// with an answer left unread, the next write first clears the session, so no
// late answer passes for the next one's. A session whose resource is gone is
// closed and the unit announced lost.
class visa_link_t : public unit_link_t {
public:
    ~visa_link_t() override;

    bool open(const QByteArray& name) override;
    void close() override;
    bool is_open() const override { return current != 0; }

    bool write(const QByteArray& command) override;
    bool read(QByteArray& answer) override;
    bool query(const QByteArray& command, QByteArray& answer) override;
    bool read_line(QByteArray& line) override;
    void set_answer_timeout(int ms) override;

    // 0 while no session is open.
    ViSession session() const { return current; }
    // The serial number of the unit behind the session: what a reopen follows.
    void set_unit_serial(const QByteArray& serial_number) { unit_serial = serial_number; }
    QByteArray serial_number() const { return unit_serial; }
    // Opens the unit again after a restart: its resource, tried for a while,
    // else the one family resource that names its serial number, or failing
    // that the one that names none but answers with it. Whatever is opened
    // must answer "SN?" with the serial number in full; without one to follow
    // nothing is opened, so no other unit is ever taken for this one.
    bool reopen();
    // Whether the last reopen found a session at the unit's own resource, and
    // what answered "SN?" there (empty: nothing did): how a reopen that
    // failed failed.
    bool reopen_reached() const { return reached; }
    QByteArray reopen_answer() const { return reached_answer; }
    // Drops what the instrument has not yet delivered.
    bool clear();
    // The raw transfers the upgrade uses; status, when given, receives the
    // library's status. write_bytes clears a session owing an answer first.
    bool write_bytes(const char* bytes, int count, ViStatus* status = nullptr);
    // -1 unless the read ended with the end of the answer; else the length of
    // the text before the first zero byte, within max_count.
    int read_bytes(char* buffer, int max_count, ViStatus* status = nullptr);
    // Tells the session whether an answer, or its rest, is left for no read to take.
    void set_answer_left(bool left) { answer_left = left; }

private:
    bool alive(ViStatus status);
    // Whether the session just opened on resource is the unit followed.
    bool is_followed_unit(const QString& resource, QByteArray* answer = nullptr);
    bool read_text(QByteArray& text, bool keep_line_feed);

    ViSession current = 0;
    // The I/O timeout given to the sessions this link opens; 0 leaves the library's.
    ViUInt32 io_timeout_ms = 0;
    // True while an answer that no read will take may still come to the session.
    bool answer_left = false;
    QByteArray unit_serial;
    bool reached = false;
    QByteArray reached_answer;
};

// The window's one VISA link: the current instrument session and the resource
// text it was opened from.
visa_link_t& current_visa_link();
ViSession visa_session();
QByteArray visa_resource_name();

// Appends every USB instrument resource found; visa_done, visa_none_found or visa_not_usable.
int visa_find_units(QStringList& list, ViUInt32& count);
// The units of the family attached now: what Rescan lists, and what a
// restart's reopen needs from before the restart.
QStringList visa_attached_units();
bool visa_open(const QByteArray& name);
// Sessions opened from now on wait this long for each read and write.
void visa_set_io_timeout(ViUInt32 ms);
bool visa_connect(const QByteArray& name);
bool visa_close();
bool visa_reopen();
bool visa_clear();
bool visa_write(const char* bytes, int count, ViStatus* status = nullptr);
// The text-level exchanges of the current session: an answer without its
// line feed; false for no answer, or an empty one.
bool visa_read_answer(QByteArray& answer);
bool visa_query(const QByteArray& command, QByteArray& answer);
int visa_read(char* buffer, int max_count, ViStatus* status = nullptr);
void visa_set_answer_left(bool left);
