#include "lan/lxi_identification.h"

#include <QNetworkInterface>
#include <QSysInfo>
#include <QXmlStreamWriter>

#include "lan/lan_gateway.h"
#include "quillon_version.h"

namespace {

constexpr char lxi_namespace[] = "http://www.lxistandard.org/InstrumentIdentification/1.0";
constexpr char schema_instance[] = "http://www.w3.org/2001/XMLSchema-instance";

QString url_host(const QHostAddress& address) {
    return address.protocol() == QAbstractSocket::IPv6Protocol
               ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
               : address.toString();
}

// The interface that holds address, and the entry of it there.
bool interface_of(const QHostAddress& address, QNetworkInterface& found,
                  QNetworkAddressEntry& entry) {
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& candidate : all) {
        const QList<QNetworkAddressEntry> entries = candidate.addressEntries();
        for (const QNetworkAddressEntry& held : entries) {
            if (held.ip().isEqual(address, QHostAddress::ConvertV4MappedToIPv4)) {
                found = candidate;
                entry = held;
                return true;
            }
        }
    }
    return false;
}

void write_interface(QXmlStreamWriter& xml, const QHostAddress& address, const QString& host) {
    QNetworkInterface held;
    QNetworkAddressEntry entry;
    const bool known = interface_of(address, held, entry);
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    xml.writeStartElement(QStringLiteral("Interface"));
    xml.writeAttribute(QString::fromLatin1(schema_instance), QStringLiteral("type"),
                       QStringLiteral("NetworkInformation"));
    xml.writeAttribute(QStringLiteral("InterfaceType"), QStringLiteral("LXI"));
    xml.writeAttribute(QStringLiteral("IPType"),
                       v6 ? QStringLiteral("IPv6") : QStringLiteral("IPv4"));
    xml.writeAttribute(QStringLiteral("InterfaceName"),
                       known ? held.name() : QStringLiteral("unknown"));
    xml.writeTextElement(QStringLiteral("InstrumentAddressString"), lxi_resource(address, "inst0"));
    xml.writeTextElement(QStringLiteral("Hostname"), host);
    xml.writeTextElement(QStringLiteral("IPAddress"), address.toString());
    xml.writeTextElement(QStringLiteral("SubnetMask"),
                         known ? entry.netmask().toString() : QString());
    const QString mac = known ? held.hardwareAddress() : QString();
    xml.writeTextElement(QStringLiteral("MACAddress"),
                         mac.isEmpty() ? QStringLiteral("00:00:00:00:00:00") : mac);
    // kvt-lan configures no network: the host's own settings hold.
    xml.writeTextElement(QStringLiteral("Gateway"), QString());
    xml.writeTextElement(QStringLiteral("DHCPEnabled"), QStringLiteral("false"));
    xml.writeTextElement(QStringLiteral("AutoIPEnabled"), QStringLiteral("false"));
    xml.writeEndElement();
}

}  // namespace

QString lxi_resource(const QHostAddress& address, const QByteArray& device) {
    return QStringLiteral("TCPIP0::%1::%2::INSTR")
        .arg(url_host(address), QString::fromLatin1(device));
}

QByteArray lxi_identification(const lxi_reach_t& reach) {
    const QString host = QString::fromLatin1(lan_host_shown(QSysInfo::machineHostName()));
    const QString base =
        QStringLiteral("http://%1:%2").arg(url_host(reach.address)).arg(reach.web_port);
    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QString::fromLatin1(lxi_namespace));
    xml.writeNamespace(QString::fromLatin1(schema_instance), QStringLiteral("xsi"));
    xml.writeStartElement(QString::fromLatin1(lxi_namespace), QStringLiteral("LXIDevice"));
    xml.writeAttribute(QString::fromLatin1(schema_instance), QStringLiteral("schemaLocation"),
                       QString::fromLatin1(lxi_namespace) + QLatin1Char(' ') +
                           QString::fromLatin1(lxi_namespace) +
                           QStringLiteral("/LXIIdentification.xsd"));
    // As inst0's *IDN? states it: maker, model, host as serial number, version.
    xml.writeTextElement(QStringLiteral("Manufacturer"), QString::fromLatin1(quillon_maker));
    xml.writeTextElement(QStringLiteral("Model"), QStringLiteral("kvt-lan"));
    xml.writeTextElement(QStringLiteral("SerialNumber"), host);
    xml.writeTextElement(QStringLiteral("FirmwareRevision"), QString::fromLatin1(quillon_version));
    xml.writeTextElement(QStringLiteral("ManufacturerDescription"),
                         QStringLiteral("LAN gateway to KVT switch units"));
    if (!reach.units.isEmpty()) {
        xml.writeStartElement(QStringLiteral("ConnectedDevices"));
        for (const QByteArray& unit : reach.units) {
            xml.writeTextElement(QStringLiteral("DeviceURI"), lxi_resource(reach.address, unit));
        }
        xml.writeEndElement();
    }
    xml.writeTextElement(QStringLiteral("UserDescription"),
                         QStringLiteral("KVT switch units on %1").arg(host));
    xml.writeTextElement(QStringLiteral("IdentificationURL"), base + "/lxi/identification");
    write_interface(xml, reach.address, host);
    xml.writeTextElement(QStringLiteral("Domain"), QStringLiteral("0"));
    xml.writeTextElement(QStringLiteral("LXIVersion"), QStringLiteral("1.5"));
    xml.writeStartElement(QStringLiteral("LXIExtendedFunctions"));
    xml.writeStartElement(QStringLiteral("Function"));
    xml.writeAttribute(QStringLiteral("FunctionName"), QStringLiteral("LXI VXI-11"));
    xml.writeAttribute(QStringLiteral("Version"), QStringLiteral("1.0"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return document;
}
