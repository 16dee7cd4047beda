#include <QtTest>

#include "driver/unit_discovery.h"
#include "driver/unit_family.h"

// The serial search without a window: no VISA library is found here.
class test_unit_discovery : public QObject {
    Q_OBJECT
private slots:
    void only_ports_with_the_family_identity_are_units_data() {
        QTest::addColumn<bool>("has_identifiers");
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::addColumn<bool>("listed");
        QTest::newRow("family") << true << 0xA5C3 << 0x0E21 << true;
        QTest::newRow("other product") << true << 0xA5C3 << 0x0E22 << false;
        QTest::newRow("other vendor") << true << 0x0403 << 0x0E21 << false;
        QTest::newRow("identifiers not reported") << false << 0xA5C3 << 0x0E21 << false;
    }

    void only_ports_with_the_family_identity_are_units() {
        QFETCH(bool, has_identifiers);
        QFETCH(int, vendor);
        QFETCH(int, product);
        QFETCH(bool, listed);
        const serial_port_entry_t port{"ttyACM0", has_identifiers, quint16(vendor),
                                       quint16(product)};
        QCOMPARE(unit_port_names({port}), listed ? QStringList{"ttyACM0"} : QStringList{});
    }

    // What a reopen follows a unit by; a network name that names no serial
    // number leaves the unit to say it.
    void resource_names_its_units_serial_number_data() {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QString>("serial");
        QTest::newRow("USB unit") << "USB0::0xA5C3::0x0E21::KVT2024001::INSTR"
                                  << "KVT2024001";
        QTest::newRow("network unit") << "TCPIP0::lab-pc::KVT2024001::INSTR"
                                      << "KVT2024001";
        QTest::newRow("network instrument") << "TCPIP0::lab-pc::inst0::INSTR" << QString();
        QTest::newRow("network, no device") << "TCPIP0::lab-pc::INSTR" << QString();
        QTest::newRow("other maker") << "USB0::0x0957::0x1797::MY12345678::INSTR" << QString();
    }

    void resource_names_its_units_serial_number() {
        QFETCH(QString, resource);
        QFETCH(QString, serial);
        QCOMPARE(unit_resource_serial(resource), serial);
    }

    void search_lists_family_ports_then_operator_ports() {
        const QList<serial_port_entry_t> ports = {{"ttyACM1", true, 0xA5C3, 0x0E21},
                                                  {"ttyS0", false, 0, 0},
                                                  {"ttyACM0", true, 0xA5C3, 0x0E21}};
        unit_search_t search;
        search.ports = QStringList{"/dev/pts/named"};
        search.resources = QStringList{"TCPIP0::host::X::INSTR"};
        search.port_source = [&ports] { return ports; };
        QCOMPARE(find_units(search), (QStringList{"ttyACM1", "ttyACM0", "/dev/pts/named"}));
    }
};

QTEST_GUILESS_MAIN(test_unit_discovery)
#include "test_unit_discovery.moc"
