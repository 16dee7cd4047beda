#include <QBuffer>
#include <QtTest>

#include "lan/rpc_record.h"

namespace {

constexpr int max_size = 16;

QByteArray fragment(const QByteArray& body, bool last) {
    QByteArray marked = rpc_record(body);
    if (!last) {
        marked[0] = char(quint8(marked[0]) & 0x7F);
    }
    return marked;
}

}  // namespace

// Records gathered from a stream that brings them in any pieces.
class test_rpc_record : public QObject {
    Q_OBJECT
private slots:
    void records_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("piece");
        QTest::addColumn<QByteArrayList>("records");
        QTest::addColumn<bool>("too_long");
        const QByteArray two = rpc_record("first") + rpc_record("second");
        const QByteArray fragments =
            fragment("ab", false) + fragment("", false) + fragment("cd", true) + rpc_record("e");
        QTest::newRow("whole records")
            << two << two.size() << QByteArrayList{"first", "second"} << false;
        QTest::newRow("byte by byte") << two << 1 << QByteArrayList{"first", "second"} << false;
        QTest::newRow("fragments") << fragments << 3 << QByteArrayList{"abcd", "e"} << false;
        QTest::newRow("largest") << rpc_record(QByteArray(max_size, 'x')) << 5
                                 << QByteArrayList{QByteArray(max_size, 'x')} << false;
        QTest::newRow("one byte too long")
            << fragment(QByteArray(max_size - 1, 'x'), false) + rpc_record("yz") << 64
            << QByteArrayList{} << true;
        QTest::newRow("announced length beyond any record")
            << QByteArray("\xff\xff\xff\xff", 4) << 4 << QByteArrayList{} << true;
        QTest::newRow("cut short") << rpc_record("first").left(6) << 2 << QByteArrayList{} << false;
    }

    void records() {
        QFETCH(QByteArray, stream);
        QFETCH(int, piece);
        QFETCH(QByteArrayList, records);
        QFETCH(bool, too_long);
        rpc_record_reader_t reader(max_size);
        QBuffer arriving;
        arriving.open(QIODevice::ReadWrite);
        QByteArrayList taken;
        bool refused = false;
        for (int at = 0; at < stream.size() && !refused; at += piece) {
            const qint64 read_at = arriving.pos();
            arriving.seek(arriving.size());
            arriving.write(stream.mid(at, piece));
            arriving.seek(read_at);
            for (;;) {
                const rpc_record_reader_t::status_t status = reader.read_from(arriving);
                refused = status == rpc_record_reader_t::too_long;
                if (status != rpc_record_reader_t::complete) {
                    break;
                }
                taken.append(reader.take());
            }
        }
        QCOMPARE(taken, records);
        QCOMPARE(refused, too_long);
    }
};

QTEST_GUILESS_MAIN(test_rpc_record)
#include "test_rpc_record.moc"
