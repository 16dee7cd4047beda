#include "lan/lan_announcement.h"

#include <QNetworkInterface>

namespace {

// DNS-SD's bound on an instance name, in bytes.
constexpr int longest_name = 63;

int interface_of(const QHostAddress& listen) {
    if (listen == QHostAddress(QHostAddress::AnyIPv4)) {
        return -1;
    }
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip() == listen) {
                return interface.index();
            }
        }
    }
    return -1;
}

}  // namespace

lan_announcement_t lan_announcement(const QHostAddress& listen, quint16 web_port,
                                    const QByteArray& identity) {
    // The identity's fields are safe already: no commas, controls or spaces.
    const QList<QByteArray> fields = identity.split(',');
    lan_announcement_t announcement;
    announcement.name = (fields.value(1) + " on " + fields.value(2)).left(longest_name);
    announcement.interface = interface_of(listen);
    announcement.web_port = web_port;
    announcement.lxi_text = {"txtvers=1", "Manufacturer=" + fields.value(0),
                             "Model=" + fields.value(1), "SerialNumber=" + fields.value(2),
                             "FirmwareVersion=" + fields.value(3)};
    return announcement;
}
