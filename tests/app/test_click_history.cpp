// A click on the panel is recorded once in the switching history; a history
// that cannot be written costs one line on standard error and no click.
#include <unistd.h>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "app/ui_central_widget.h"
#include "driver/serial_link.h"
#include "driver/switch_history.h"
#include "driver/unit.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_usb_widget.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/scripted_unit.h"

namespace {

// Standard error goes to a file while it lives.
class captured_stderr_t {
public:
    explicit captured_stderr_t(const QString& path) : path(path) {
        std::fflush(stderr);
        saved = dup(2);
        FILE* file = std::fopen(qPrintable(path), "w");
        dup2(fileno(file), 2);
        std::fclose(file);
    }
    ~captured_stderr_t() { restore(); }
    QByteArray text() {
        restore();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no capture)");
    }

private:
    void restore() {
        if (saved >= 0) {
            std::fflush(stderr);
            dup2(saved, 2);
            close(saved);
            saved = -1;
        }
    }
    QString path;
    int saved = -1;
};

}  // namespace

class test_click_history : public QObject {
    Q_OBJECT
private slots:
    void clicks_are_recorded_once_data() {
        QTest::addColumn<bool>("writable");
        // Button indexes clicked: 0 is A1, 1 is A2.
        QTest::addColumn<QList<int>>("clicks");
        // "from->to" of each record.
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<int>("error_lines");
        QTest::newRow("one click") << true << QList<int>{1} << QStringList{"1->2"} << 0;
        QTest::newRow("there and back")
            << true << QList<int>{1, 0, 0} << QStringList{"1->2", "2->1", "1->1"} << 0;
        QTest::newRow("unwritable") << false << QList<int>{1, 0} << QStringList{} << 1;
    }

    void clicks_are_recorded_once() {
        QFETCH(bool, writable);
        QFETCH(QList<int>, clicks);
        QFETCH(QStringList, records);
        QFETCH(int, error_lines);
        QTemporaryDir dir;
        // A file where the state folder should be: no history can be made there.
        const QString state = dir.filePath(writable ? "state" : "file");
        if (!writable) {
            QFile file(state);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        qputenv("XDG_STATE_HOME", state.toUtf8());

        served_unit_t unit(unit_config("KVT0402Q,sn=SN-CLICK"));
        auto* central = new ui_central_widget_t(nullptr);
        auto* bar = central->findChild<ui_usb_widget_t*>();
        unit_search_t search;
        search.port_source = [&unit] {
            return QList<serial_port_entry_t>{{unit.server.port_name(), true, 0xA5C3, 0x0E21}};
        };
        bar->set_search(search);
        bar->device_rescan_slot();
        const QList<QRadioButton*> buttons =
            central->findChild<ui_2port_widget_item_t*>()->findChildren<QRadioButton*>();
        {
            captured_stderr_t err(dir.filePath("stderr"));
            for (const int button : clicks) {
                buttons.at(button)->click();
                QVERIFY(buttons.at(button)->isChecked());
            }
            QCOMPARE(err.text().count('\n'), error_lines);
        }
        delete central;
        serial_close();
        drv_unit_instance().set_link_state(link_disconnected);

        QVector<switch_record_t> recorded;
        QCOMPARE(read_history({}, 0, all_records, recorded).ok(), writable);
        QStringList seen;
        for (const switch_record_t& record : recorded) {
            QCOMPARE(record.serial_number, QByteArray("SN-CLICK"));
            QCOMPARE(record.model, QByteArray("KVT0402Q"));
            QCOMPARE(record.sw, 'A');
            QCOMPARE(record.source.program, QString("window"));
            seen << QString("%1->%2").arg(record.from).arg(record.to);
        }
        QCOMPARE(seen, records);
    }
};

QTEST_MAIN(test_click_history)
#include "test_click_history.moc"
