#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <map>

class visa_link_t;

// Sends one step of a section: a firmware section one 2048-byte block per
// call (the first call, at progress 0, announces it), an identity section all
// at once, over the unit's link. progress counts the section's data bytes
// sent so far. The application section restarts the unit into its bootloader
// first, to the unit of the link's serial number only.
using section_handler_t = bool (*)(visa_link_t& link, const QByteArray& path, quint32& progress,
                                   quint32 type, quint32 data_offset, quint32 data_length);

// Handlers by the low byte of a section's type.
std::map<quint8, section_handler_t>& section_handlers();
void register_section_handlers();

// False for a type without a handler, else the handler's result.
bool dispatch_section(visa_link_t& link, const QByteArray& path, quint32& progress, quint32 type,
                      quint32 data_offset, quint32 data_length);

bool send_application_section(visa_link_t& link, const QByteArray& path, quint32& progress,
                              quint32 type, quint32 data_offset, quint32 data_length);
bool send_bootloader_section(visa_link_t& link, const QByteArray& path, quint32& progress,
                             quint32 type, quint32 data_offset, quint32 data_length);
// Refuses data that does not fit the 100-byte command, and an unreadable file.
bool send_identity_section(visa_link_t& link, const QByteArray& path, quint32& progress,
                           quint32 type, quint32 data_offset, quint32 data_length);
