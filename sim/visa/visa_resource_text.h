#pragma once

#include <QByteArray>

#include "driver/visa_types.h"

// What a resource text says about its interface, e.g. "USB0::...::INSTR":
// interface type 7, board 0, class "INSTR".
struct visa_resource_parts_t {
    ViUInt16 interface_type = 0;
    ViUInt16 board = 0;
    QByteArray resource_class;
};

bool visa_parse_resource_text(const QByteArray& text, visa_resource_parts_t& parts);

// True when both texts name the same resource: case, number bases and the
// parts a USB instrument text may leave out (board 0, interface 0, INSTR) do
// not matter.
bool visa_same_resource(const QByteArray& a, const QByteArray& b);

// Hands a text to a client's buffer of VI_FIND_BUFLEN bytes: cut to fit, zero-terminated.
void visa_copy_text(const QByteArray& text, ViChar* buffer);
