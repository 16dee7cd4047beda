#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <map>

// Sends one step of a section: a firmware section one 2048-byte block per
// call (the first call, at progress 0, announces it), an identity section all
// at once. progress counts the section's data bytes sent so far.
using section_handler_t = bool (*)(const QByteArray& path, quint32& progress, quint32 type,
                                   quint32 data_offset, quint32 data_length);

// Handlers by the low byte of a section's type.
std::map<quint8, section_handler_t>& section_handlers();
void register_section_handlers();

// False for a type without a handler, else the handler's result.
bool dispatch_section(const QByteArray& path, quint32& progress, quint32 type, quint32 data_offset,
                      quint32 data_length);

bool send_application_section(const QByteArray& path, quint32& progress, quint32 type,
                              quint32 data_offset, quint32 data_length);
bool send_bootloader_section(const QByteArray& path, quint32& progress, quint32 type,
                             quint32 data_offset, quint32 data_length);
// Refuses data that does not fit the 100-byte command, and an unreadable file.
bool send_identity_section(const QByteArray& path, quint32& progress, quint32 type,
                           quint32 data_offset, quint32 data_length);
