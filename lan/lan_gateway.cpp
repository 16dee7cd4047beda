#include "lan/lan_gateway.h"

#include "quillon_version.h"

namespace {

constexpr int longest_host = 64;

}  // namespace

const char lan_gateway_key[] = "/inst0";

bool lan_is_gateway(const QByteArray& device) {
    return device.toLower() == QByteArray("inst0");
}

QByteArray lan_host_shown(const QString& host_name) {
    QByteArray host = host_name.toUtf8().left(longest_host);
    for (char& c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f || c == ',' || c == ';') {
            c = '_';
        }
    }
    if (host.isEmpty()) {
        host = "unknown";
    }
    return host;
}

QByteArray lan_identity(const QString& host_name) {
    return QByteArray(quillon_maker) + ",kvt-lan," + lan_host_shown(host_name) + ',' +
           quillon_version;
}

QByteArray lan_gateway_answer(const QByteArray& message, const QByteArray& identity) {
    QByteArray command = message;
    if (command.endsWith('\n')) {
        command.chop(1);
        if (command.endsWith('\r')) {
            command.chop(1);
        }
    }
    return command.toUpper() == "*IDN?" ? identity + '\n' : QByteArray();
}
