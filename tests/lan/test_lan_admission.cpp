#include <QtTest>

#include "lan/lan_admission.h"
#include "lan/lan_limits.h"

namespace {

// Connections from each address in turn, count times each.
using arrivals_t = QVector<QPair<QString, int>>;

}  // namespace

// Who is let in: the per-host share counts machines, not addresses.
class test_lan_admission : public QObject {
    Q_OBJECT
private slots:
    void shares_data() {
        QTest::addColumn<arrivals_t>("held");
        QTest::addColumn<QString>("next");
        QTest::addColumn<bool>("admitted");
        const int share = lan_connections_per_host;
        QTest::newRow("within the share")
            << arrivals_t{{"10.0.0.1", share - 1}} << "10.0.0.1" << true;
        QTest::newRow("over the share") << arrivals_t{{"10.0.0.1", share}} << "10.0.0.1" << false;
        QTest::newRow("another host") << arrivals_t{{"10.0.0.1", share}} << "10.0.0.2" << true;
        QTest::newRow("loopback addresses are one host")
            << arrivals_t{{"127.0.0.2", share / 2}, {"127.0.0.3", share / 2}} << "127.0.0.4"
            << false;
        QTest::newRow("IPv6 loopback is the same host")
            << arrivals_t{{"127.0.0.1", share}} << "::1" << false;
        QTest::newRow("a mapped address is its IPv4 address")
            << arrivals_t{{"10.0.0.1", share}} << "::ffff:10.0.0.1" << false;
        QTest::newRow("the server's bound") << arrivals_t{{"10.0.0.1", share},
                                                          {"10.0.0.2", share},
                                                          {"10.0.0.3", share},
                                                          {"10.0.0.4", share}}
                                            << "10.0.0.5" << false;
    }
    void shares() {
        QFETCH(arrivals_t, held);
        QFETCH(QString, next);
        QFETCH(bool, admitted);
        lan_admission_t admission(
            {QHostAddress::parseSubnet("0.0.0.0/0"), QHostAddress::parseSubnet("::/0")});
        for (const auto& arrival : held) {
            for (int i = 0; i < arrival.second; ++i) {
                QVERIFY(admission.admit(QHostAddress(arrival.first)));
            }
        }
        QCOMPARE(admission.admit(QHostAddress(next)), admitted);
    }

    // A closed connection gives its place back, whichever of its host's
    // addresses it came from.
    void release_gives_back() {
        lan_admission_t admission({QHostAddress::parseSubnet("127.0.0.0/8")});
        for (int round = 0; round < 2 * lan_max_connections; ++round) {
            const QHostAddress address(QStringLiteral("127.0.0.%1").arg(2 + round % 4));
            QVERIFY(admission.admit(address));
            admission.release(address);
        }
        for (int i = 0; i < lan_connections_per_host; ++i) {
            QVERIFY(admission.admit(QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i % 4))));
        }
    }
};

QTEST_GUILESS_MAIN(test_lan_admission)
#include "test_lan_admission.moc"
