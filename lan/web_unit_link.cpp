#include "lan/web_unit_link.h"

bool web_unit_link_t::write(const QByteArray& command) {
    QByteArray ignored;
    return exchange(command, ignored);
}

bool web_unit_link_t::query(const QByteArray& command, QByteArray& answer) {
    QByteArray line;
    // An answer that did not end with its line feed did not come whole.
    if (!exchange(command, line) || !line.endsWith('\n')) {
        return false;
    }
    line.chop(1);
    answer = line;
    return true;
}
