#include <QtTest>

#include "lan/lan_gateway.h"
#include "quillon_version.h"

// inst0's name, identity and answers: host names made safe to stand between
// commas, and *IDN? told from every other message.
class test_lan_gateway_texts : public QObject {
    Q_OBJECT
private slots:
    void names_data() {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<bool>("gateway");
        QTest::newRow("as clients send it") << QByteArray("inst0") << true;
        QTest::newRow("upper case") << QByteArray("INST0") << true;
        QTest::newRow("another instrument") << QByteArray("inst1") << false;
        QTest::newRow("longer") << QByteArray("inst00") << false;
        QTest::newRow("with a line feed") << QByteArray("inst0\n") << false;
        QTest::newRow("with a NUL") << QByteArray("inst0\0", 6) << false;
        QTest::newRow("its key") << QByteArray(lan_gateway_key) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void names() {
        QFETCH(QByteArray, device);
        QFETCH(bool, gateway);
        QCOMPARE(lan_is_gateway(device), gateway);
    }

    void identities_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("plain") << "lab-pc.local" << QByteArray("lab-pc.local");
        QTest::newRow("commas and semicolons") << "a,b;c" << QByteArray("a_b_c");
        QTest::newRow("control characters")
            << QString::fromLatin1("a\nb\rc\td\x7f") << QByteArray("a_b_c_d_");
        QTest::newRow("space") << "a b" << QByteArray("a_b");
        QTest::newRow("not ASCII") << QString::fromUtf8("h\xc3\xa9") << QByteArray("h__");
        QTest::newRow("empty") << "" << QByteArray("unknown");
        QTest::newRow("long") << QString(100, 'x') << QByteArray(64, 'x');
    }
    void identities() {
        QFETCH(QString, host);
        QFETCH(QByteArray, shown);
        QCOMPARE(lan_identity(host), "Norvane,kvt-lan," + shown + ',' + quillon_version);
    }

    void answers_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("identity");
        QTest::newRow("bare") << QByteArray("*IDN?") << true;
        QTest::newRow("line feed") << QByteArray("*IDN?\n") << true;
        QTest::newRow("CR LF") << QByteArray("*IDN?\r\n") << true;
        QTest::newRow("lower case") << QByteArray("*idn?\n") << true;
        QTest::newRow("CR alone") << QByteArray("*IDN?\r") << false;
        QTest::newRow("two line feeds") << QByteArray("*IDN?\n\n") << false;
        QTest::newRow("LF CR") << QByteArray("*IDN?\n\r") << false;
        QTest::newRow("trailing space") << QByteArray("*IDN? ") << false;
        QTest::newRow("leading NUL") << QByteArray("\0*IDN?", 6) << false;
        QTest::newRow("another command") << QByteArray("SETA=1\n") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void answers() {
        QFETCH(QByteArray, message);
        QFETCH(bool, identity);
        QCOMPARE(lan_gateway_answer(message, "ID"), identity ? QByteArray("ID\n") : QByteArray());
    }
};

QTEST_GUILESS_MAIN(test_lan_gateway_texts)
#include "test_lan_gateway_texts.moc"
