#include <QtTest>

#include "driver/unit_discovery.h"
#include "driver/unit_family.h"
#include "driver/unit_identity.h"

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
        // Read by the grammar, not by counting separators.
        QTest::newRow("serial number with colons")
            << "USB0::0xA5C3::0x0E21::A::B::INSTR" << QString();
        QTest::newRow("interface number") << "USB0::0xA5C3::0x0E21::A::7::INSTR"
                                          << "A";
        QTest::newRow("network unit by its place") << "TCPIP0::lab-pc::_pts_5::INSTR" << QString();
        QTest::newRow("IPv6 host") << "TCPIP0::[fe80::1]::KVT2024001::INSTR"
                                   << "KVT2024001";
        QTest::newRow("family tag as another maker's serial")
            << "USB0::0x0957::0x1797::0xA5C3::0x0E21::INSTR" << QString();
    }

    void resource_names_its_units_serial_number() {
        QFETCH(QString, resource);
        QFETCH(QString, serial);
        QCOMPARE(unit_resource_serial(resource), serial);
    }

    // A serial number names its unit only when no other unit found states it,
    // no other unit was found at the same place, and it passes the name rule.
    void units_are_named_only_when_unambiguous_data() {
        QTest::addColumn<QStringList>("places");
        QTest::addColumn<QByteArrayList>("serials");
        QTest::addColumn<QStringList>("names");
        const QStringList two = {"p0", "p1"};
        QTest::newRow("distinct") << two << QByteArrayList{"A-1_x.2", "B"}
                                  << QStringList{"A-1_x.2", "B"};
        QTest::newRow("shared serial number")
            << two << QByteArrayList{"D", "D"} << QStringList{"", ""};
        QTest::newRow("shared place")
            << QStringList{"r", "r"} << QByteArrayList{"A", "B"} << QStringList{"", ""};
        QTest::newRow("longest") << two << QByteArrayList{QByteArray(64, 'L'), QByteArray(65, 'L')}
                                 << QStringList{QString(64, 'L'), ""};
        for (const char* refused : {"../x", ".x", "-x", "_x", "a b", "a/b", "A::B", "X\x1b", ""}) {
            QTest::addRow("refused: %s", refused)
                << two << QByteArrayList{refused, "B"} << QStringList{"", "B"};
        }
    }

    void units_are_named_only_when_unambiguous() {
        QFETCH(QStringList, places);
        QFETCH(QByteArrayList, serials);
        QFETCH(QStringList, names);
        QVector<unit_identity_t> units;
        for (int i = 0; i < places.size(); ++i) {
            units.append({places[i], serials[i]});
        }
        const QVector<unit_name_t> named = name_units(units);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(named[i].name, names[i]);
            QCOMPARE(named[i].why_unnamed.isEmpty(), !names[i].isEmpty());
        }
    }

    void unit_text_is_shown_as_text() {
        QCOMPARE(shown_text("KVT-1 \x1b[2J\\\xff\n"), QString("KVT-1 \\x1b[2J\\x5c\\xff\\x0a"));
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
