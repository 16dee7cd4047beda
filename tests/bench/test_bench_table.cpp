#include <QtTest>
#include <vector>

#include "bench/bench_table.h"

Q_DECLARE_METATYPE(std::vector<double>)

// The table's figures: a median and an interquartile range between ranks.
class test_bench_table : public QObject {
    Q_OBJECT
private slots:
    void summaries_data() {
        QTest::addColumn<std::vector<double>>("samples");
        QTest::addColumn<double>("median");
        QTest::addColumn<double>("spread");
        QTest::newRow("none") << std::vector<double>{} << 0.0 << 0.0;
        QTest::newRow("one") << std::vector<double>{7} << 7.0 << 0.0;
        QTest::newRow("even count") << std::vector<double>{1, 2, 3, 4} << 2.5 << 1.5;
        QTest::newRow("unsorted, odd count") << std::vector<double>{9, 1, 5, 3, 7} << 5.0 << 4.0;
        QTest::newRow("one outlier moves nothing")
            << std::vector<double>{10, 10, 10, 10, 1000} << 10.0 << 0.0;
    }

    void summaries() {
        QFETCH(std::vector<double>, samples);
        QFETCH(double, median);
        QFETCH(double, spread);
        const bench_summary_t summary = summarize(samples);
        QCOMPARE(summary.median, median);
        QCOMPARE(summary.spread, spread);
    }
};

QTEST_APPLESS_MAIN(test_bench_table)
#include "test_bench_table.moc"
