#include <unistd.h>
#include <QTemporaryFile>
#include <QtTest>
#include <cstdio>

#include "driver/link.h"
#include "driver/visa_session.h"

namespace {

const QByteArray unit_name = "USB0::0xA5C3::0x0E21::WIRE1::INSTR";

// Standard error into a file while it lives; what went there, once done.
class stderr_capture_t {
public:
    stderr_capture_t() {
        if (file.open()) {
            std::fflush(stderr);
            saved = ::dup(STDERR_FILENO);
            ::dup2(file.handle(), STDERR_FILENO);
        }
    }
    ~stderr_capture_t() { finish(); }
    QByteArray finish() {
        if (saved >= 0) {
            std::fflush(stderr);
            ::dup2(saved, STDERR_FILENO);
            ::close(saved);
            saved = -1;
        }
        file.seek(0);
        return file.readAll();
    }

private:
    QTemporaryFile file;
    int saved = -1;
};

}  // namespace

// KVT_VISA_LOG=1 (set by the build) logs a unit's traffic as kvt-sim --verbose does.
class test_visa_wire_log : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(visa_connect(unit_name)); }

    void each_command_and_answer_is_one_line_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("log");
        QTest::newRow("switch") << QByteArray("SETA=1")
                                << QByteArray("WIRE1 <- SETA=1\nWIRE1 -> +40 ms OK\\n\n");
        QTest::newRow("query") << QByteArray("SN?")
                               << QByteArray("WIRE1 <- SN?\nWIRE1 -> +40 ms WIRE1\\n\n");
    }

    void each_command_and_answer_is_one_line() {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, log);
        stderr_capture_t capture;
        QByteArray answer;
        QVERIFY(link_query(command, answer));
        QCOMPARE(capture.finish(), log);
    }
};

QTEST_GUILESS_MAIN(test_visa_wire_log)
#include "test_visa_wire_log.moc"
