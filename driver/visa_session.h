#pragma once

#include <QByteArray>
#include <QStringList>

#include "driver/visa_types.h"

// The VISA link as the rest of the program sees it: one current instrument
// session and the resource text it was opened from.

// Results of the driver's int-valued operations.
constexpr int visa_done = 1;
constexpr int visa_not_usable = 100;
constexpr int visa_none_found = 101;

// Fixed for the whole process at its first call.
bool visa_available();

// 0 while no session is open.
ViSession visa_session();
QByteArray visa_resource_name();

// Appends every USB instrument resource found; visa_done, visa_none_found or visa_not_usable.
int visa_find_units(QStringList& list, ViUInt32& count);
bool visa_open(const QByteArray& name);
// Sessions opened from now on wait this long for each read and write; by
// default they keep the library's I/O timeout.
void visa_set_io_timeout(ViUInt32 ms);
bool visa_connect(const QByteArray& name);
bool visa_close();
// The units of the family attached now: what Rescan lists, and what a
// restart's reopen needs from before the restart.
QStringList visa_attached_units();
// Opens the remembered resource again after a restart; see reopen_resource
// for the one other unit it may take instead, and then remembers.
bool visa_reopen(const QStringList& attached_before);
// Drops what the instrument has not yet delivered.
bool visa_clear();
// status, when given, receives the library's status of the call. After a read
// that timed out, or with an answer left unread (visa_set_answer_left), the
// write first clears the session, so no late answer passes for the next one's.
bool visa_write(const char* bytes, int count, ViStatus* status = nullptr);
// -1 unless the read ended with the end of the answer; else the length of the
// text before the first zero byte, within max_count.
int visa_read(char* buffer, int max_count, ViStatus* status = nullptr);
// Tells the session whether an answer, or its rest, is left for no read to take.
void visa_set_answer_left(bool left);
