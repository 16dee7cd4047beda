// Every program answers --version with the project's version, and the window
// program answers --help and --version without a display.
#include <QProcess>
#include <QtTest>

#include "quillon_version.h"

class test_program_texts : public QObject {
    Q_OBJECT
private slots:
    void answers_without_a_display_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("begins");
        QTest::addColumn<QByteArrayList>("mentions");
        const QByteArray version = QByteArray(quillon_version) + '\n';
        QTest::newRow("quillon --version")
            << QUILLON_PATH << QStringList{"--version"} << "quillon " + version << QByteArrayList{};
        QTest::newRow("quillon -v")
            << QUILLON_PATH << QStringList{"-v"} << "quillon " + version << QByteArrayList{};
        QTest::newRow("quillon --help")
            << QUILLON_PATH << QStringList{"--help"} << QByteArray("Usage: ")
            << QByteArrayList{"--port", "--version"};
        QTest::newRow("kvtctl --version")
            << KVTCTL_PATH << QStringList{"--version"} << "kvtctl " + version << QByteArrayList{};
        QTest::newRow("kvt-sim --version")
            << KVT_SIM_PATH << QStringList{"--version"} << "kvt-sim " + version << QByteArrayList{};
        QTest::newRow("kvt-image --version") << KVT_IMAGE_PATH << QStringList{"--version"}
                                             << "kvt-image " + version << QByteArrayList{};
        QTest::newRow("kvt-lan --version")
            << KVT_LAN_PATH << QStringList{"--version"} << "kvt-lan " + version << QByteArrayList{};
    }
    void answers_without_a_display() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, begins);
        QFETCH(QByteArrayList, mentions);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60000));
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 err.constData());
        QVERIFY2(out.startsWith(begins), out.constData());
        for (const QByteArray& text : mentions) {
            QVERIFY2(out.contains(text), out.constData());
        }
    }
};

QTEST_GUILESS_MAIN(test_program_texts)
#include "test_program_texts.moc"
