// The switching history: what is read back is what was recorded, from any
// thread, and wear outlives pruning.
#include <QTemporaryDir>
#include <QtTest>
#include <numeric>
#include <thread>
#include <vector>

#include "driver/switch_history.h"

namespace {

// A record of unit sn, switch sw, from -> to at time_ms.
switch_record_t record(qint64 time_ms, const char* sn, char sw, int from, int to) {
    switch_record_t one;
    one.time_ms = time_ms;
    one.serial_number = sn;
    one.model = "KVT0402Q";
    one.sw = sw;
    one.from = from;
    one.to = to;
    one.reply = QByteArray::number(to - 1);
    one.source = {"kvtctl", "r1", {}, {}};
    return one;
}

QStringList wear_text(const QVector<switch_wear_t>& wear) {
    QStringList text;
    for (const switch_wear_t& one : wear) {
        text << QString("%1 %2 %3").arg(QString(one.serial_number)).arg(one.sw).arg(one.count);
    }
    return text;
}

}  // namespace

class test_switch_history : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;

private slots:
    void init() {
        QVERIFY(dir.isValid());
        qputenv("XDG_STATE_HOME", dir.filePath(QTest::currentDataTag()).toUtf8());
    }

    void wear_survives_pruning_data() {
        QTest::addColumn<qint64>("prune_before");
        QTest::addColumn<QByteArray>("unit");
        QTest::addColumn<int>("left");
        QTest::addColumn<QStringList>("wear");
        // Moves: U1 A three times (one of them from an unread start is none),
        // U1 B once, U2 A once.
        const QStringList all = {"U1 A 2", "U1 B 1", "U2 A 1"};
        QTest::newRow("nothing pruned") << qint64(0) << QByteArray() << 7 << all;
        QTest::newRow("some pruned") << qint64(30) << QByteArray() << 4 << all;
        QTest::newRow("all pruned") << qint64(1000) << QByteArray() << 0 << all;
        QTest::newRow("all pruned, one unit")
            << qint64(1000) << QByteArray("U2") << 0 << QStringList{"U2 A 1"};
        QTest::newRow("one unit") << qint64(0) << QByteArray("U1") << 5
                                  << QStringList{"U1 A 2", "U1 B 1"};
    }

    void wear_survives_pruning() {
        QFETCH(qint64, prune_before);
        QFETCH(QByteArray, unit);
        QFETCH(int, left);
        QFETCH(QStringList, wear);
        for (const switch_record_t& one :
             {record(10, "U1", 'A', 1, 2), record(20, "U1", 'A', 2, 2), record(25, "U2", 'A', 1, 2),
              record(30, "U1", 'A', 2, 1), record(40, "U1", 'A', -1, 2),
              record(50, "U1", 'B', 1, 2), record(60, "U2", 'B', 2, 2)}) {
            QVERIFY(record_switch(one).ok());
        }
        qint64 removed = 0;
        QVERIFY(prune_history(prune_before, removed).ok());
        QVector<switch_record_t> records;
        QVERIFY(read_history(unit, 0, all_records, records).ok());
        QCOMPARE(records.size(), left);
        QVector<switch_wear_t> counted;
        QVERIFY(read_wear(unit, counted).ok());
        QCOMPARE(wear_text(counted), wear);
        // Pruned twice, nothing is carried twice.
        QVERIFY(prune_history(prune_before, removed).ok());
        QCOMPARE(removed, qint64(0));
        QVERIFY(read_wear(unit, counted).ok());
        QCOMPARE(wear_text(counted), wear);
    }

    // Threads record at once, each on a connection of its own; none is lost.
    void threads_record_at_once_data() {
        QTest::addColumn<int>("threads");
        QTest::newRow("one") << 1;
        QTest::newRow("eight") << 8;
    }

    void threads_record_at_once() {
        QFETCH(int, threads);
        constexpr int each = 25;
        std::vector<std::thread> runs;
        std::vector<int> failures(size_t(threads), 0);
        for (int t = 0; t < threads; ++t) {
            runs.emplace_back([t, &failures] {
                const QByteArray sn = "T" + QByteArray::number(t);
                for (int i = 0; i < each; ++i) {
                    failures[size_t(t)] += record_switch(record(i, sn, 'A', 1, 2)).ok() ? 0 : 1;
                }
            });
        }
        for (std::thread& run : runs) {
            run.join();
        }
        QCOMPARE(std::accumulate(failures.begin(), failures.end(), 0), 0);
        QVector<switch_record_t> records;
        QVERIFY(read_history({}, 0, all_records, records).ok());
        QCOMPARE(records.size(), threads * each);
        QVERIFY(read_history("T0", each - 5, all_records, records).ok());
        QCOMPARE(records.size(), 5);
        QCOMPARE(records.first().source.route, QString("r1"));
        QCOMPARE(records.first().reply, QByteArray("1"));
        // A bound keeps the newest, oldest first.
        QVERIFY(read_history("T0", 0, 3, records).ok());
        QCOMPARE(records.size(), 3);
        QCOMPARE(records.first().time_ms, qint64(each - 3));
        QCOMPARE(records.last().time_ms, qint64(each - 1));
    }
};

QTEST_GUILESS_MAIN(test_switch_history)
#include "test_switch_history.moc"
