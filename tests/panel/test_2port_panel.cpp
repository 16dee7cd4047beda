#include <QButtonGroup>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "driver/serial_link.h"
#include "driver/unit.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_indicator_widgets.h"
#include "tests/panel/panel_test_kit.h"

namespace {

// The panel as the central widget shows it, with the parts a test looks at.
struct panel_t {
    ui_2port_widget_t frame{nullptr};
    ui_2port_widget_item_t* item = nullptr;
    QList<QRadioButton*> buttons;  // A1, A2, B1, B2, C1, C2, D1, D2
    QList<ui_led_widget_t*> leds;  // A..D
    QList<ui_rect4_widget_t*> bars;

    panel_t() {
        frame.show();
        item = frame.findChild<ui_2port_widget_item_t*>();
        buttons = children_of<QRadioButton>(item);
        leds = children_of<ui_led_widget_t>(item);
        bars = children_of<ui_rect4_widget_t>(item);
    }
    QRadioButton* button(char sw, int position) const {
        return buttons[(sw - 'A') * 2 + position - 1];
    }
};

// Indicator places of each switch at positions 1 and 2.
const QRect lamp_places[4][2] = {{at(258, 35), at(258, 60)},
                                 {at(330, 35), at(330, 60)},
                                 {at(258, 145), at(258, 170)},
                                 {at(330, 145), at(330, 170)}};
const QRect bar_places[4][2] = {{at(149, 80), at(191, 80)},
                                {at(436, 80), at(478, 80)},
                                {at(149, 175), at(191, 175)},
                                {at(436, 175), at(478, 175)}};

// positions[i]: 1 or 2 for switch A + i, 0 for none (lamp dark, bar hidden).
bool shows(const panel_t& panel, const QVector<int>& positions) {
    for (int i = 0; i < 4; ++i) {
        if (positions[i] == 0) {
            if (panel.leds[i]->isVisible() || panel.bars[i]->isVisible()) {
                return false;
            }
            continue;
        }
        const int n = positions[i] - 1;
        if (panel.leds[i]->geometry() != lamp_places[i][n] ||
            panel.bars[i]->geometry() != bar_places[i][n] || !panel.leds[i]->isVisible() ||
            !panel.bars[i]->isVisible()) {
            return false;
        }
    }
    return true;
}

// checked[i]: 0 for none, else the checked position of switch A + i.
bool checks(const panel_t& panel, const QVector<int>& checked) {
    for (int i = 0; i < 4; ++i) {
        for (int position = 1; position <= 2; ++position) {
            if (panel.button(char('A' + i), position)->isChecked() != (checked[i] == position)) {
                return false;
            }
        }
    }
    return true;
}

const QList<QByteArray> read_back = {"GETA?", "GETA?", "GETB?", "GETC?", "GETD?"};

// A unit whose state queries all answer with the same line.
pty_server_t::handler_t answering_all(const QByteArray& line) {
    QMap<QByteArray, QList<QByteArray>> lines;
    for (const QByteArray& query : read_back) {
        lines[query] << line;
    }
    return scripted(lines);
}

}  // namespace

class test_2port_panel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(apply_program_style()); }
    void init() { QVERIFY(identify_unit("APP", "17")); }
    void cleanup() { serial_close(); }

    // Construction

    void frame_holds_the_picture_item_at_its_fixed_size() {
        panel_t panel;
        QVERIFY(panel.item);
        QCOMPARE(panel.item->parentWidget(), &panel.frame);
        QCOMPARE(panel.item->objectName(), QString("m_2portWidget"));
        QCOMPARE(panel.item->styleSheet(),
                 QString("ui_2port_widget_item_t#m_2portWidget{border-image:url(:/image/"
                         "KVT0402Q.png)}"));
        QCOMPARE(panel.item->minimumSize(), QSize(643, 260));
        QCOMPARE(panel.item->maximumSize(), QSize(643, 260));
        QVERIFY(qobject_cast<QVBoxLayout*>(panel.frame.layout()));
        QCOMPARE(panel.frame.layout()->indexOf(panel.item), 0);
    }

    void buttons_sit_on_the_outer_connectors_in_one_group_per_switch() {
        panel_t panel;
        QCOMPARE(panel.buttons.size(), 8);
        const QRect places[8] = {at(110, 59),  at(205, 59),  at(398, 59),  at(493, 59),
                                 at(110, 154), at(205, 154), at(398, 154), at(493, 154)};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(panel.buttons[i]->geometry(), places[i]);
            QVERIFY(panel.buttons[i]->text().isEmpty());
            QButtonGroup* group = panel.buttons[i]->group();
            QVERIFY(group && group->exclusive());
            QCOMPARE(group->buttons().size(), 2);
            QCOMPARE(group->id(panel.buttons[i]), i % 2 + 1);
            QCOMPARE(group, panel.buttons[i / 2 * 2]->group());
        }
        QVERIFY(panel.buttons[0]->group() != panel.buttons[2]->group());
    }

    void starts_unchecked_with_every_indicator_at_position_1() {
        panel_t panel;
        QCOMPARE(panel.leds.size(), 4);
        QCOMPARE(panel.bars.size(), 4);
        QVERIFY(checks(panel, {0, 0, 0, 0}));
        QVERIFY(shows(panel, {1, 1, 1, 1}));
    }

    void lamps_lie_above_buttons_above_bars() {
        panel_t panel;
        const QObjectList order = panel.item->children();
        QVERIFY(order.indexOf(panel.bars.last()) < order.indexOf(panel.buttons.first()));
        QVERIFY(order.indexOf(panel.buttons.last()) < order.indexOf(panel.leds.first()));
    }

    // Clicks

    void a_click_sends_the_switch_command_and_moves_the_indicators_data() {
        QTest::addColumn<char>("sw");
        QTest::addColumn<int>("position");
        QTest::addColumn<QList<QByteArray>>("commands");
        for (char sw : {'A', 'B', 'C', 'D'}) {
            for (int position : {1, 2}) {
                const QByteArray set = QByteArray("SET") + sw + '=' + (position == 1 ? '0' : '1');
                QTest::addRow("%c%d", sw, position)
                    << sw << position << QList<QByteArray>{set, QByteArray("GET") + sw + '?'};
            }
        }
    }

    void a_click_sends_the_switch_command_and_moves_the_indicators() {
        QFETCH(char, sw);
        QFETCH(int, position);
        QFETCH(QList<QByteArray>, commands);
        auto unit = std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0402q));
        pty_server_t peer(simulated(unit));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button(sw, position));
        QCOMPARE(received(peer, 2), commands);
        QVector<int> positions = {1, 1, 1, 1};
        QVector<int> checked = {0, 0, 0, 0};
        positions[sw - 'A'] = position;
        checked[sw - 'A'] = position;
        QVERIFY(shows(panel, positions));
        QVERIFY(checks(panel, checked));
    }

    void clicking_the_checked_button_again_sends_again_and_moves_nothing() {
        pty_server_t peer(
            simulated(std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0402q))));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('B', 2));
        QVERIFY(shows(panel, {1, 2, 1, 1}));
        click(panel.button('B', 2));
        QCOMPARE(received(peer, 4), (QList<QByteArray>{"SETB=1", "GETB?", "SETB=1", "GETB?"}));
        QVERIFY(shows(panel, {1, 2, 1, 1}));
        QVERIFY(checks(panel, {0, 2, 0, 0}));
    }

    void switches_are_independent() {
        pty_server_t peer(
            simulated(std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0402q))));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        for (QRadioButton* button : {panel.button('A', 2), panel.button('C', 2),
                                     panel.button('D', 1), panel.button('A', 1)}) {
            click(button);
        }
        QCOMPARE(received(peer, 8), (QList<QByteArray>{"SETA=1", "GETA?", "SETC=1", "GETC?",
                                                       "SETD=0", "GETD?", "SETA=0", "GETA?"}));
        QVERIFY(shows(panel, {1, 1, 2, 1}));
        QVERIFY(checks(panel, {1, 0, 2, 1}));
    }

    // B shows position 1 from a read-back; then a click on B2 meets a fault.
    void a_click_the_unit_did_not_take_leaves_the_panel_true_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QByteArray>("os");
        QTest::addColumn<QList<QByteArray>>("set");
        QTest::addColumn<QList<QByteArray>>("reread");
        QTest::addColumn<QList<QByteArray>>("commands");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("message");
        const QList<QByteArray> none;
        const QList<QByteArray> ok = {"OK"};
        const QList<QByteArray> both = {"SETB=1", "GETB?"};
        const QString silent = "The unit did not report where switch B stands";
        QTest::newRow("no unit connected")
            << false << QByteArray("APP") << ok << none << none << 1 << "Device not connected!";
        // The window has the unit identified again; here nothing answers that.
        QTest::newRow("unit in its bootloader")
            << true << QByteArray("BOOTLOADER") << ok << none << none << 1 << QString();
        QTest::newRow("set and re-read unanswered")
            << true << QByteArray("APP") << none << none << both << 0 << silent;
        QTest::newRow("set taken, re-read unanswered")
            << true << QByteArray("APP") << ok << none << both << 0 << silent;
        QTest::newRow("set taken, unit stays at 1")
            << true << QByteArray("APP") << ok << QList<QByteArray>{"0"} << both << 1
            << "Switch B did not switch to position 2: it stands at position 1";
        QTest::newRow("set unanswered, unit at 2")
            << true << QByteArray("APP") << none << QList<QByteArray>{"1"} << both << 2
            << QString();
    }

    void a_click_the_unit_did_not_take_leaves_the_panel_true() {
        QFETCH(bool, connected);
        QFETCH(QByteArray, os);
        QFETCH(QList<QByteArray>, set);
        QFETCH(QList<QByteArray>, reread);
        QFETCH(QList<QByteArray>, commands);
        QFETCH(int, shown);
        QFETCH(QString, message);
        identify_unit(os, "17");
        pty_server_t peer(scripted({{"GETA?", {"0", "0"}},
                                    {"GETB?", QList<QByteArray>{"0"} + reread},
                                    {"GETC?", {"0"}},
                                    {"GETD?", {"0"}},
                                    {"SETB=1", set}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        panel.frame.device_connect_slot();
        QCOMPARE(received(peer, 5), read_back);
        peer.clear_commands();
        drv_unit_instance().set_link_state(connected ? link_connected : link_disconnected);
        QSignalSpy messages(&panel.frame, &ui_2port_widget_t::sendShowMsg);

        click(panel.button('B', 2));
        QCOMPARE(received(peer, commands.size()), commands);
        QVERIFY(!peer.wait_for_commands(commands.size() + 1, 3 * pty_server_t::command_gap_ms));
        QVERIFY(checks(panel, {1, shown, 1, 1}));
        QVERIFY(shows(panel, {1, shown, 1, 1}));
        QCOMPARE(messages.isEmpty() ? QString() : messages.last().first().toString(), message);
    }

    // Read-back

    void read_back_asks_a_twice_then_b_c_d_and_shows_the_answers() {
        pty_server_t peer(scripted(
            {{"GETA?", {"1", "0"}}, {"GETB?", {"1"}}, {"GETC?", {"0"}}, {"GETD?", {"1"}}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        panel.frame.device_connect_slot();
        QCOMPARE(received(peer, 5), read_back);
        // Only the second answer for A counts.
        QVERIFY(checks(panel, {1, 2, 1, 2}));
        QVERIFY(shows(panel, {1, 2, 1, 2}));
    }

    void read_back_shows_what_the_operator_set_on_the_unit() {
        auto unit = std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0402q));
        pty_server_t peer(simulated(unit));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        {
            panel_t earlier;
            click(earlier.button('B', 2));
            click(earlier.button('C', 2));
        }
        panel_t panel;
        panel.frame.device_connect_slot();
        QCOMPARE(received(peer, 9).mid(4), read_back);
        QVERIFY(checks(panel, {1, 2, 2, 1}));
        QVERIFY(shows(panel, {1, 2, 2, 1}));
    }

    void read_back_sends_no_switch_command() {
        pty_server_t peer(answering_all("1"));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        panel.frame.device_connect_slot();
        QCOMPARE(received(peer, 5), read_back);
        QVERIFY(!peer.wait_for_commands(6, 3 * pty_server_t::command_gap_ms));
    }

    // Every switch showed position 2 before; the read-back meets a fault.
    void an_answer_that_is_no_position_shows_none_data() {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("digit 2") << true << QByteArray("2") << 0
                                 << "Switch A answered \"2\", which is no position; "
                                    "Switch B answered \"2\", which is no position; "
                                    "Switch C answered \"2\", which is no position; "
                                    "Switch D answered \"2\", which is no position";
        QTest::newRow("letter") << true << QByteArray("A") << 0
                                << "Switch A answered \"A\", which is no position; "
                                   "Switch B answered \"A\", which is no position; "
                                   "Switch C answered \"A\", which is no position; "
                                   "Switch D answered \"A\", which is no position";
        QTest::newRow("silent unit")
            << true << QByteArray() << 0 << QString("The unit did not answer");
        QTest::newRow("no link") << false << QByteArray() << 0
                                 << QString("The unit did not answer");
        QTest::newRow("0 and more") << true << QByteArray("01") << 1 << QString();
    }

    void an_answer_that_is_no_position_shows_none() {
        QFETCH(bool, linked);
        QFETCH(QByteArray, line);
        QFETCH(int, shown);
        QFETCH(QString, message);
        pty_server_t earlier(answering_all("1"));
        QVERIFY(serial_open(earlier.port_name().toUtf8()));
        panel_t panel;
        panel.frame.device_connect_slot();
        QVERIFY(checks(panel, {2, 2, 2, 2}));
        serial_close();

        pty_server_t peer(line.isNull() ? scripted({}) : answering_all(line));
        if (linked) {
            QVERIFY(serial_open(peer.port_name().toUtf8()));
        }
        QSignalSpy messages(&panel.frame, &ui_2port_widget_t::sendShowMsg);
        panel.frame.device_connect_slot();
        QVERIFY(checks(panel, {shown, shown, shown, shown}));
        QVERIFY(shows(panel, {shown, shown, shown, shown}));
        QCOMPARE(messages.isEmpty() ? QString() : messages.last().first().toString(), message);
    }

    // The link goes away right after A has been shown: B, C and D show no position.
    void a_failed_query_shows_its_switch_at_none() {
        pty_server_t peer(scripted(
            {{"GETA?", {"0", "1"}}, {"GETB?", {"1"}}, {"GETC?", {"1"}}, {"GETD?", {"1"}}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        struct link_cut_t : QObject {
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Move) {
                    serial_close();
                }
                return false;
            }
        } cut;
        panel.leds[0]->installEventFilter(&cut);
        panel.frame.device_connect_slot();
        QCOMPARE(received(peer, 2), (QList<QByteArray>{"GETA?", "GETA?"}));
        QVERIFY(checks(panel, {2, 0, 0, 0}));
        QVERIFY(shows(panel, {2, 0, 0, 0}));
    }

    void read_back_checks_one_button_per_switch_only() {
        // Each click reads its switch at position 2; the read-back then finds all at 1.
        pty_server_t peer(scripted({{"SETA=1", {""}},
                                    {"SETD=1", {""}},
                                    {"GETA?", {"1", "0", "0"}},
                                    {"GETB?", {"0"}},
                                    {"GETC?", {"0"}},
                                    {"GETD?", {"1", "0"}}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('A', 2));
        click(panel.button('D', 2));
        panel.frame.device_connect_slot();
        QVERIFY(checks(panel, {1, 1, 1, 1}));
        QVERIFY(shows(panel, {1, 1, 1, 1}));
    }
};

QTEST_MAIN(test_2port_panel)
#include "test_2port_panel.moc"
