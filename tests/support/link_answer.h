#pragma once

#include <QByteArray>

#include "driver/link.h"

// The answer to a query over the link as one comparable text: the answer, or
// "(failed) " and what the answer buffer held then ("(kept)" untouched).
inline QByteArray ask(const QByteArray& command) {
    QByteArray answer = "(kept)";
    return link_query(command, answer) ? answer : "(failed) " + answer;
}
