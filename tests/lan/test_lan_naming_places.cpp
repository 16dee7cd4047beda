#include <QtTest>

#include "lan/lan_naming.h"

namespace {

const QString resource = QStringLiteral("USB0::0xA5C3::0x0E21::X::INSTR");

}  // namespace

Q_DECLARE_METATYPE(lan_place_t)

// Places named together: what each is served under and what is said of it.
// The end-to-end check (lan_naming_check.py) drives the same through ports;
// a place listed twice happens only with a VISA library, so it is here.
class test_lan_naming_places : public QObject {
    Q_OBJECT
private slots:
    void places_data() {
        QTest::addColumn<QVector<lan_place_t>>("places");
        QTest::addColumn<QByteArrayList>("names");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("a serial name") << QVector<lan_place_t>{{"/dev/ttyACM0", "SN1", {}, false}}
                                       << QByteArrayList{"SN1"} << QStringList{""};
        QTest::newRow("a shared place serves neither unit")
            << QVector<lan_place_t>{{resource, "X", {}, true}} << QByteArrayList{""}
            << QStringList{resource + ": 2 units answer to " + resource +
                           ": neither is used, as nothing tells them apart"};
        QTest::newRow("a shared place's number names no one")
            << QVector<lan_place_t>{{resource, "X", {}, true}, {"/dev/ttyACM0", "X", {}, false}}
            << QByteArrayList{"", "X"}
            << QStringList{resource + ": 2 units answer to " + resource +
                               ": neither is used, as nothing tells them apart",
                           ""};
        QTest::newRow("inst0 is kvt-lan's own")
            << QVector<lan_place_t>{{"/dev/ttyACM0", "INST0", {}, false}}
            << QByteArrayList{"_ttyACM0"}
            << QStringList{
                   "/dev/ttyACM0: states serial number \"INST0\", which is kvt-lan's own "
                   "device name; served as _ttyACM0"};
        QTest::newRow("no unit known")
            << QVector<lan_place_t>{{"/dev/ttyACM0", "", "cannot be opened", false}}
            << QByteArrayList{""} << QStringList{"/dev/ttyACM0: cannot be opened; not served"};
        QTest::newRow("a place shown, its name made safe")
            << QVector<lan_place_t>{{"/dev/a\x1b[2J", "", "cannot be opened", false},
                                    {"/dev/b\x1b[2J", "b b", {}, false}}
            << QByteArrayList{"", "_b__2J"}
            << QStringList{"/dev/a\\x1b[2J: cannot be opened; not served",
                           "/dev/b\\x1b[2J: states serial number \"b b\", which is not a name: "
                           "a name is letters, digits, '-', '_' and '.', beginning with a "
                           "letter or a digit; served as _b__2J"};
    }
    void places() {
        QFETCH(QVector<lan_place_t>, places);
        QFETCH(QByteArrayList, names);
        QFETCH(QStringList, said);
        const QVector<lan_place_name_t> named = name_places(places);
        QCOMPARE(named.size(), places.size());
        for (int i = 0; i < named.size(); ++i) {
            QCOMPARE(named[i].name, names[i]);
            QCOMPARE(named[i].said, said[i]);
        }
    }
};

QTEST_GUILESS_MAIN(test_lan_naming_places)
#include "test_lan_naming_places.moc"
