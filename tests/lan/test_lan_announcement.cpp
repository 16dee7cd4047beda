#include <QNetworkInterface>
#include <QtTest>

#include "lan/lan_announcement.h"

// What kvt-lan announces: its instance name within DNS-SD's 63 bytes, the
// interface it serves on, and the LXI TXT records from its identity.
class test_lan_announcement : public QObject {
    Q_OBJECT
private slots:
    void names_data() {
        QTest::addColumn<QByteArray>("identity");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("a host") << QByteArray("M,kvt-lan,lab,1.0") << QByteArray("kvt-lan on lab");
        QTest::newRow("a long host") << "M,kvt-lan," + QByteArray(64, 'h') + ",1.0"
                                     << "kvt-lan on " + QByteArray(52, 'h');
    }
    void names() {
        QFETCH(QByteArray, identity);
        QFETCH(QByteArray, name);
        QCOMPARE(lan_announcement(QHostAddress::LocalHost, 0, identity).name, name);
    }

    void interfaces_data() {
        QTest::addColumn<QString>("listen");
        QTest::addColumn<int>("interface");
        QTest::newRow("every address") << "0.0.0.0" << -1;
        QTest::newRow("loopback") << "127.0.0.1" << QNetworkInterface::interfaceIndexFromName("lo");
    }
    void interfaces() {
        QFETCH(QString, listen);
        QFETCH(int, interface);
        QCOMPARE(lan_announcement(QHostAddress(listen), 0, "M,kvt-lan,h,1.0").interface, interface);
    }

    void lxi_text() {
        const lan_announcement_t announcement =
            lan_announcement(QHostAddress::LocalHost, 8080, "Maker,kvt-lan,lab,1.2.3");
        QCOMPARE(announcement.web_port, quint16(8080));
        QCOMPARE(announcement.lxi_text,
                 (QList<QByteArray>{"txtvers=1", "Manufacturer=Maker", "Model=kvt-lan",
                                    "SerialNumber=lab", "FirmwareVersion=1.2.3"}));
    }
};

QTEST_GUILESS_MAIN(test_lan_announcement)
#include "test_lan_announcement.moc"
