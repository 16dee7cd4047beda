// The panel shows no position the unit did not report, on either link: the
// window shows a two-port unit, then meets a unit that fails it. Built twice:
// over pseudo-terminals and through the VISA stand-in, with the same units.
#include <QRadioButton>
#include <QSerialPort>
#include <QStatusBar>
#include <QtTest>
#include <memory>

#include "app/application_setup.h"
#include "app/main_window.h"
#include "driver/link.h"
#include "driver/unit.h"
#include "driver/visa_session.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_indicator_widgets.h"
#include "panel/ui_usb_widget.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/scripted_unit.h"
#include "widget/ui_combo_box.h"
#include "widget/ui_label.h"

namespace {

// The units on both links; the first is shown before each case. LATE's
// answers come 150 ms after each command.
const char units_text[] =
    "KVT0402Q,sn=GOOD;KVT0402Q,sn=LATE,faults=delay:150;KVT0402Q,sn=BOOT,mode=boot";

struct case_t {
    const char* name;
    bool serial_only;
    // The unit chosen once GOOD's positions are shown.
    QString unit;
    // The buttons then clicked, with this wait for each answer (0: the link's own).
    QStringList clicks;
    int answer_timeout_ms;
    QString label;
    // {name}: the chosen unit's port or resource.
    QString message;
    // Of switches A to D, 0 for none.
    QVector<int> positions;
    // Serial: the last commands the chosen unit received.
    QList<QByteArray> wire_tail;
};

const case_t cases[] = {
    {"late read-back",
     false,
     "LATE",
     {"B2"},
     100,
     "KVT0402Q-LATE",
     "The unit did not report where switch B stands",
     {1, 0, 1, 1},
     {"SETB=1", "GETB?"}},
    {"unidentified unit chosen",
     false,
     "BOOT",
     {},
     0,
     "-",
     "Unit BOOT waits in its bootloader: Tool > Upgrade finishes it",
     {0, 0, 0, 0},
     {"OS?", "OS?", "SN?"}},
    // Silent once while it is swapped, then another unit answers.
    {"unit changed on its port",
     true,
     "SWAP",
     {"B2", "B2"},
     0,
     "KVT0402Q-SWAP2",
     "KVT0402Q-SWAP2 now answers at {name}; nothing was switched",
     {1, 1, 1, 1},
     {"GETB?", "GETC?", "GETD?"}},
    {"port held by another program",
     true,
     "BUSY",
     {},
     0,
     "KVT is disconnected!",
     "Unit {name}: port busy: another program has it open",
     {0, 0, 0, 0},
     {}},
};

// Answers as a healthy KVT0402Q at position 1, but says SWAP1 until its
// second state query of B goes unanswered and SWAP2 from then on.
pty_server_t::handler_t swapped_unit() {
    auto b_queries = std::make_shared<int>(0);
    return [b_queries](const QByteArray& command) {
        const QMap<QByteArray, QByteArray> answers = {{"OS?", "APP"},
                                                      {"MN?", "KVT0402Q"},
                                                      {"SN?", *b_queries < 2 ? "SWAP1" : "SWAP2"},
                                                      {"SV?", "1.0.0"},
                                                      {"SHOW:PRODect:ID?", "17"}};
        if (command == "GETB?" && ++*b_queries == 2) {
            return answer_t{};
        }
        return answers.contains(command)   ? answer_line(answers.value(command))
               : command.startsWith("GET") ? answer_line("0")
                                           : answer_line("OK");
    };
}

}  // namespace

class test_panel_truth : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (PANEL_TRUTH_VISA) {
            qputenv("KVT_VISA_UNITS", units_text);
            qputenv("KVT_VISA_TIMEOUT_MS", "300");
        }
        QCOMPARE(visa_available(), bool(PANEL_TRUTH_VISA));
        // The sheet gives the radio buttons their 40 x 40 indicators over the connectors.
        qApp->setStyleSheet(load_style_sheet({":/ui.qss"}));
    }

    void cleanup() {
        current_link().set_answer_timeout(0);
        drv_unit_instance().set_link_state(link_disconnected);
    }

    void shows_only_what_the_unit_reported_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(cases)); ++row) {
            if (!PANEL_TRUTH_VISA || !cases[row].serial_only) {
                QTest::newRow(cases[row].name) << row;
            }
        }
    }

    void shows_only_what_the_unit_reported() {
        QFETCH(int, row);
        const case_t& c = cases[row];
        MainWindow window(nullptr);
        auto* bar = window.findChild<ui_usb_widget_t*>();
        auto* combo = bar->findChild<ui_combo_box_t*>();
        auto* panel = window.findChild<ui_2port_widget_item_t*>();

        // Serial: the first unit and the chosen one, behind USB ports.
        QVector<sim_unit_config_t> configs;
        QString error;
        QVERIFY2(sim_parse_units(units_text, configs, error), qPrintable(error));
        std::unique_ptr<served_unit_t> good;
        std::unique_ptr<pty_server_t> chosen;
        QSerialPort holder;
        if (!PANEL_TRUTH_VISA) {
            good = std::make_unique<served_unit_t>(configs.first());
            sim_unit_config_t config = configs.first();
            for (const sim_unit_config_t& listed : configs) {
                if (listed.serial_number == c.unit.toUtf8()) {
                    config = listed;
                }
            }
            config.serial_number = c.unit.toUtf8();
            chosen = std::make_unique<pty_server_t>(
                c.unit == "SWAP" ? swapped_unit()
                                 : simulated(std::make_shared<sim_unit_t>(config)));
            if (c.unit == "BUSY") {
                holder.setPortName(chosen->port_name());
                QVERIFY(holder.open(QIODevice::ReadWrite));
            }
            unit_search_t search;
            const QList<serial_port_entry_t> ports = {
                {good->server.port_name(), true, 0xA5C3, 0x0E21},
                {chosen->port_name(), true, 0xA5C3, 0x0E21}};
            search.port_source = [ports] { return ports; };
            bar->set_search(search);
        }

        bar->device_rescan_slot();
        const QList<QRadioButton*> buttons = panel->findChildren<QRadioButton*>();
        QVERIFY(buttons.at(0)->isChecked() && buttons.at(6)->isChecked());
        int index = -1;
        for (int i = 0; i < combo->count(); ++i) {
            if (PANEL_TRUTH_VISA ? combo->itemText(i).contains("::" + c.unit + "::")
                                 : combo->itemText(i) == chosen->port_name()) {
                index = i;
            }
        }
        QVERIFY(index > 0);
        const QString name = combo->itemText(index);
        combo->setCurrentIndex(index);
        current_link().set_answer_timeout(c.answer_timeout_ms);
        for (const QString& click : c.clicks) {
            const int at = (click.at(0).toLatin1() - 'A') * 2 + click.at(1).digitValue() - 1;
            QTest::mouseClick(buttons.at(at), Qt::LeftButton, Qt::NoModifier, QPoint(20, 25));
        }

        QCOMPARE(bar->findChild<ui_label_t*>()->text(), c.label);
        QCOMPARE(window.statusBar()->currentMessage(), QString(c.message).replace("{name}", name));
        const QList<ui_led_widget_t*> lamps = panel->findChildren<ui_led_widget_t*>();
        const QList<ui_rect4_widget_t*> bars = panel->findChildren<ui_rect4_widget_t*>();
        for (int sw = 0; sw < 4; ++sw) {
            const int shown = c.positions[sw];
            QCOMPARE(buttons.at(sw * 2)->isChecked(), shown == 1);
            QCOMPARE(buttons.at(sw * 2 + 1)->isChecked(), shown == 2);
            QCOMPARE(lamps.at(sw)->isHidden(), shown == 0);
            QCOMPARE(bars.at(sw)->isHidden(), shown == 0);
        }
        if (!PANEL_TRUTH_VISA) {
            const QList<QByteArray> wire = chosen->commands();
            QCOMPARE(wire.mid(wire.size() - c.wire_tail.size()), c.wire_tail);
        }
    }
};

QTEST_MAIN(test_panel_truth)
#include "test_panel_truth.moc"
