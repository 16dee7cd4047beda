#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "upgrade/image_reader.h"
#include "upgrade/image_writer.h"

class test_kvt_image : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString file(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(f.fileName()));
        }
        return f.fileName();
    }

    // Exit code and standard output of one run.
    QPair<int, QString> run(const QStringList& args) {
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(KVT_IMAGE, args);
        if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit) {
            tool.kill();
            tool.waitForFinished(5000);
            return {-1, QString()};
        }
        return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput())};
    }

private slots:
    void initTestCase() {
        file("app.bin", QByteArray(5000, '\xa7'));
        file("boot.bin", QByteArray(2049, '\x3c'));
        file("good.ADS", make_image(700, {{section_product, "KVT0402Q-ONE"},
                                          {section_application, QByteArray(5000, '\xa7')}}));
        file("short.ADS",
             make_image(700, {{section_application, QByteArray(5000, '\xa7')}}).left(4000));
    }

    void make_lays_out_every_section_kind_in_order() {
        const auto result = run({"make", "out.ADS", "--id", "-12", "product=KVT0206Q",
                                 "manufacturer=Acme", "pid=0E21", "vid=A5C3", "product-id=29",
                                 "boot=boot.bin", "app=app.bin", "type=0x102:boot.bin"});
        QCOMPARE(result.first, 0);
        QFile out(dir.filePath("out.ADS"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray expected =
            make_image(-12, {{section_product, "KVT0206Q"},
                             {section_manufacturer, "Acme"},
                             {section_pid, "0E21"},
                             {section_vid, "A5C3"},
                             {section_product_id, "29"},
                             {section_bootloader, QByteArray(2049, '\x3c')},
                             {section_application, QByteArray(5000, '\xa7')},
                             {0x102, QByteArray(2049, '\x3c')}});
        QVERIFY(out.readAll() == expected);
    }

    void commands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QStringList>("output");
        const QString ok = image_verdict_text(image_ok);
        QTest::newRow("help") << QStringList{"--help"} << 0 << QStringList{"kvt-image make OUT"};
        QTest::newRow("good image") << QStringList{"show", "good.ADS"} << 0
                                    << QStringList{"passes (exactly 700)", "124", "5000", ok};
        QTest::newRow("number in range")
            << QStringList{"show", "good.ADS", "--range", "600", "800"} << 0 << QStringList{ok};
        QTest::newRow("number refused")
            << QStringList{"show", "good.ADS", "--expect", "701"} << 1
            << QStringList{"FAILS (exactly 701)", image_verdict_text(image_not_accepted)};
        QTest::newRow("data past the end")
            << QStringList{"show", "short.ADS"} << 1
            << QStringList{"<- refused", image_verdict_text(image_data_past_end)};
        QTest::newRow("not an image") << QStringList{"show", "app.bin"} << 1
                                      << QStringList{image_verdict_text(image_bad_signature)};
        QTest::newRow("missing file") << QStringList{"show", "absent.ADS"} << 1
                                      << QStringList{image_verdict_text(image_unreadable)};
        QTest::newRow("identity text too long")
            << QStringList{"make", "x.ADS", "--id", "1", "vid=" + QString(81, 'v')} << 1
            << QStringList{};
        QTest::newRow("missing firmware file")
            << QStringList{"make", "x.ADS", "--id", "1", "app=absent.bin"} << 1 << QStringList{};
        QTest::newRow("no command") << QStringList{} << 2 << QStringList{};
        QTest::newRow("show without file") << QStringList{"show"} << 2 << QStringList{};
        QTest::newRow("range without max")
            << QStringList{"show", "good.ADS", "--range", "1"} << 2 << QStringList{};
        QTest::newRow("make without number")
            << QStringList{"make", "x.ADS", "app=app.bin"} << 2 << QStringList{};
        QTest::newRow("make without sections")
            << QStringList{"make", "x.ADS", "--id", "1"} << 2 << QStringList{};
        QTest::newRow("unknown section")
            << QStringList{"make", "x.ADS", "--id", "1", "firmware=app.bin"} << 2 << QStringList{};
    }
    void commands() {
        QFETCH(QStringList, args);
        QFETCH(int, exit_code);
        QFETCH(QStringList, output);
        const auto result = run(args);
        QCOMPARE(result.first, exit_code);
        for (const QString& text : output) {
            QVERIFY2(result.second.contains(text), qPrintable(result.second));
        }
    }
};

QTEST_GUILESS_MAIN(test_kvt_image)
#include "test_kvt_image.moc"
