// What a pseudo-terminal server keeps of the commands it received.
#include <QTest>

#include "sim/command_log.h"

class test_command_log : public QObject {
    Q_OBJECT

private slots:
    void keeps_the_newest_and_counts_all_data();
    void keeps_the_newest_and_counts_all();
    void clear_starts_the_count_again();
};

void test_command_log::keeps_the_newest_and_counts_all_data() {
    QTest::addColumn<int>("received");
    QTest::newRow("few") << 3;
    QTest::newRow("exactly the kept") << command_log_t::kept;
    QTest::newRow("one more") << command_log_t::kept + 1;
    QTest::newRow("a long-running unit") << 50000;
}

void test_command_log::keeps_the_newest_and_counts_all() {
    QFETCH(int, received);
    command_log_t log;
    for (int i = 0; i < received; ++i) {
        log.append("SET" + QByteArray::number(i));
    }
    const QList<QByteArray> kept = log.newest();
    QCOMPARE(kept.size(), qMin(received, command_log_t::kept));
    QCOMPARE(kept.first(), "SET" + QByteArray::number(received - kept.size()));
    QCOMPARE(kept.last(), "SET" + QByteArray::number(received - 1));
    QVERIFY(log.wait_for_count(received, 0));
    QVERIFY(!log.wait_for_count(received + 1, 0));
}

void test_command_log::clear_starts_the_count_again() {
    command_log_t log;
    log.append("OS?");
    log.clear();
    QVERIFY(log.newest().isEmpty());
    QVERIFY(!log.wait_for_count(1, 0));
    log.append("MN?");
    QVERIFY(log.wait_for_count(1, 0));
    QCOMPARE(log.newest(), QList<QByteArray>{"MN?"});
}

QTEST_GUILESS_MAIN(test_command_log)
#include "test_command_log.moc"
