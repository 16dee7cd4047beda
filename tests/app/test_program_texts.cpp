// How every program ends and where its words go, run without a display:
// results on standard output, errors on standard error, usage errors with
// exit status 2 and -v nowhere a version.
#include <QProcess>
#include <QtTest>

#include "quillon_version.h"

class test_program_texts : public QObject {
    Q_OBJECT
private slots:
    void exit_status_and_streams_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        // Standard output begins with it; empty: nothing at all.
        QTest::addColumn<QByteArray>("out");
        // Standard error holds it; empty: nothing at all.
        QTest::addColumn<QByteArray>("err");
        const QByteArray version = QByteArray(quillon_version) + '\n';
        const struct {
            const char* name;
            QString path;
        } programs[] = {{"quillon", QUILLON_PATH},
                        {"kvtctl", KVTCTL_PATH},
                        {"kvt-sim", KVT_SIM_PATH},
                        {"kvt-image", KVT_IMAGE_PATH},
                        {"kvt-lan", KVT_LAN_PATH}};
        for (const auto& program : programs) {
            const QByteArray name = program.name;
            QTest::addRow("%s --version", program.name)
                << program.path << QStringList{"--version"} << 0 << name + ' ' + version
                << QByteArray();
            QTest::addRow("%s --help", program.name) << program.path << QStringList{"--help"} << 0
                                                     << QByteArray("Usage: ") << QByteArray();
            QTest::addRow("%s --bogus", program.name)
                << program.path << QStringList{"--bogus"} << 2 << QByteArray() << name + ": ";
        }
        // -v is verbose in kvt-sim and no option elsewhere.
        for (const auto& program : programs) {
            if (QByteArray(program.name) != "kvt-sim") {
                QTest::addRow("%s -v", program.name)
                    << program.path << QStringList{"-v"} << 2 << QByteArray()
                    << QByteArray(program.name) + ": ";
            }
        }
        QTest::newRow("quillon argument")
            << QUILLON_PATH << QStringList{"stray"} << 2 << QByteArray()
            << QByteArray("quillon: Unexpected argument 'stray'.");
        QTest::newRow("kvtctl unit that cannot be opened")
            << KVTCTL_PATH << QStringList{"--unit", "/dev/quillon-missing", "info"} << 1
            << QByteArray() << QByteArray("kvtctl: /dev/quillon-missing: cannot be opened\n");
        QTest::newRow("kvt-image file that cannot be read")
            << KVT_IMAGE_PATH << QStringList{"show", "/dev/quillon-missing"} << 1
            << QByteArray("file:       /dev/quillon-missing") << QByteArray();
        QTest::newRow("kvt-lan address that is none")
            << KVT_LAN_PATH << QStringList{"--listen", "nowhere"} << 2 << QByteArray()
            << QByteArray("kvt-lan: --listen takes an IPv4 address");
        QTest::newRow("kvt-sim unit list that is none")
            << KVT_SIM_PATH << QStringList{"--units", "KVT9999"} << 2 << QByteArray()
            << QByteArray("kvt-sim: ");
    }

    void exit_status_and_streams() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60000));
        const QByteArray output = process.readAllStandardOutput();
        const QByteArray error = process.readAllStandardError();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == status, error.constData());
        QVERIFY2(out.isEmpty() ? output.isEmpty() : output.startsWith(out), output.constData());
        QVERIFY2(err.isEmpty() ? error.isEmpty() : error.contains(err), error.constData());
    }
};

QTEST_GUILESS_MAIN(test_program_texts)
#include "test_program_texts.moc"
