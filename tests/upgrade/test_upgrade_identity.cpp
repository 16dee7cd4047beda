// The unit's answer to "UPGRADE:ID?", over the serial link (no VISA library).
#include <QtTest>

#include "driver/serial_link.h"
#include "driver/unit.h"
#include "tests/support/scripted_unit.h"

class test_upgrade_identity : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { serial_close(); }

    void query_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QVector<int>>("numbers");
        QTest::newRow("exact") << QByteArray("700,0,0,1") << true << QVector<int>{700, 0, 0, 1};
        QTest::newRow("range, line feed")
            << QByteArray("0,600,800,0\n") << true << QVector<int>{0, 600, 800, 0};
        QTest::newRow("empty fields") << QByteArray(",5,,7") << true << QVector<int>{0, 5, 0, 7};
        QTest::newRow("blanks, signs, tails")
            << QByteArray(" -3,+4x,y,1\r") << true << QVector<int>{-3, 4, 0, 1};
        // A field missing, empty or not a number gives 0.
        QTest::newRow("three fields")
            << QByteArray("700,0,0") << true << QVector<int>{700, 0, 0, 0};
        QTest::newRow("empty fourth, inside")
            << QByteArray("700,0,0,,1") << true << QVector<int>{700, 0, 0, 0};
        QTest::newRow("fourth not a number")
            << QByteArray("700,9,9,x") << true << QVector<int>{700, 9, 9, 0};
        QTest::newRow("empty") << QByteArray("") << true << QVector<int>{0, 0, 0, 0};
    }

    void query() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, ok);
        QFETCH(QVector<int>, numbers);
        pty_server_t peer(answering({{"UPGRADE:ID?", answer}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        upgrade_identity_t identity{-1, -1, -1, -1};
        QCOMPARE(drv_unit_instance().query_upgrade_identity(identity), ok);
        const QVector<int> got = {identity.expected_id, identity.min_id, identity.max_id,
                                  identity.exact_flag};
        QCOMPARE(got, ok ? numbers : (QVector<int>{-1, -1, -1, -1}));
        QCOMPARE(peer.commands(), QList<QByteArray>{"UPGRADE:ID?"});
    }
};

QTEST_GUILESS_MAIN(test_upgrade_identity)
#include "test_upgrade_identity.moc"
