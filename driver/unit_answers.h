#pragma once

#include <QByteArray>

// What a unit does with a command, read the way the unit reads it: one
// trailing zero byte, "\n" or "\r\n" ends a command, except the data of an
// upgrade block or an identity command, which is taken byte for byte.

// False for the commands a unit never answers: the upgrade's announcements,
// blocks, verdicts and restarts, and the identity commands.
bool unit_answers(const QByteArray& command);

// True for "REBOOT" and "REBOOT 1": the unit goes offline and comes back in
// its application or its bootloader.
bool unit_restarts(const QByteArray& command);

// The command without its one terminator.
QByteArray command_text(const QByteArray& command);
