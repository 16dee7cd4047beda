#include <QButtonGroup>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "driver/serial_link.h"
#include "driver/unit.h"
#include "panel/ui_6port_widget.h"
#include "panel/ui_indicator_widgets.h"
#include "tests/panel/panel_test_kit.h"

namespace {

// What one switch shows: lamp and the three bars, each visible or not and where.
struct view_t {
    bool lamp_visible;
    QRect lamp;
    bool bar_visible[3];
    QRect bar[3];

    bool operator==(const view_t& other) const {
        return lamp_visible == other.lamp_visible && lamp == other.lamp &&
               std::equal(bar_visible, bar_visible + 3, other.bar_visible) &&
               std::equal(bar, bar + 3, other.bar);
    }
};

// The panel as the central widget shows it, with the parts a test looks at.
struct panel_t {
    ui_6port_widget_t frame{nullptr};
    ui_6port_widget_item_t* item = nullptr;
    QList<QRadioButton*> buttons;  // A0..A6, B0..B6
    QList<ui_led_widget_t*> leds;  // A, B
    QList<QWidget*> bars[2];       // rect1, rect2, rect3 of A and of B

    panel_t() {
        frame.show();
        item = frame.findChild<ui_6port_widget_item_t*>();
        buttons = children_of<QRadioButton>(item);
        leds = children_of<ui_led_widget_t>(item);
        for (int sw = 0; sw < 2; ++sw) {
            bars[sw] = {children_of<ui_rect1_widget_t>(item).value(sw),
                        children_of<ui_rect2_widget_t>(item).value(sw),
                        children_of<ui_rect3_widget_t>(item).value(sw)};
        }
    }
    QRadioButton* button(char sw, int position) const { return buttons[(sw - 'A') * 7 + position]; }
    view_t view(char sw) const {
        const int i = sw - 'A';
        view_t v{leds[i]->isVisible(), leds[i]->geometry(), {}, {}};
        for (int k = 0; k < 3; ++k) {
            v.bar_visible[k] = bars[i][k]->isVisible();
            v.bar[k] = bars[i][k]->geometry();
        }
        return v;
    }
    QList<QRadioButton*> checked() const {
        QList<QRadioButton*> result;
        for (QRadioButton* b : buttons) {
            if (b->isChecked()) {
                result << b;
            }
        }
        return result;
    }
};

// Places of the indicators of switch A; B's lamp is 72 and its bars 310 to the right.
struct place_t {
    int lamp_y;
    int bar;
    QPoint bar_at;
};
const place_t places[7] = {
    {0, -1, {}},          {35, 1, {144, 87}},   {60, 2, {166, 84}},   {85, 0, {186, 125}},
    {115, 1, {174, 136}}, {140, 2, {138, 135}}, {170, 0, {127, 125}},
};

// Indicators before anything was shown: all hidden at their first places.
view_t initial(char sw) {
    const int shift = sw == 'A' ? 0 : 310;
    return {false,
            at(sw == 'A' ? 258 : 330, 35),
            {false, false, false},
            {at(127 + shift, 125), at(144 + shift, 87), at(166 + shift, 84)}};
}

// The view after showing position n when the switch showed before as given.
view_t after(const view_t& before, char sw, int n) {
    view_t v = before;
    const place_t& p = places[n];
    v.lamp_visible = n != 0;
    for (int k = 0; k < 3; ++k) {
        v.bar_visible[k] = k == p.bar;
    }
    if (n != 0) {
        v.lamp = at(sw == 'A' ? 258 : 330, p.lamp_y);
        v.bar[p.bar] = QRect(p.bar_at + QPoint(sw == 'A' ? 0 : 310, 0), QSize(50, 50));
    }
    return v;
}

// A switch that shows no position: lamp and bars hidden where they were.
view_t dark(view_t v) {
    v.lamp_visible = false;
    std::fill(v.bar_visible, v.bar_visible + 3, false);
    return v;
}

const QList<QByteArray> read_back = {"SP6TA:STATE?", "SP6TB:STATE?"};

pty_server_t::handler_t simulated_six_port() {
    return simulated(std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0206q)));
}

// A scripted unit that takes every set command with an empty line.
pty_server_t::handler_t taking_sets(QMap<QByteArray, QList<QByteArray>> lines) {
    auto script = scripted(std::move(lines));
    return [script](const QByteArray& command) {
        return command.contains(":STATE:") ? answer_line("") : script(command);
    };
}

}  // namespace

namespace QTest {
template <>
char* toString(const view_t& view) {
    QString text = QString("lamp %1 at %2,%3;")
                       .arg(view.lamp_visible ? "shown" : "hidden")
                       .arg(view.lamp.x())
                       .arg(view.lamp.y());
    for (int i = 0; i < 3; ++i) {
        text += QString(" rect%1 %2 at %3,%4;")
                    .arg(i + 1)
                    .arg(view.bar_visible[i] ? "shown" : "hidden")
                    .arg(view.bar[i].x())
                    .arg(view.bar[i].y());
    }
    return qstrdup(qPrintable(text));
}
}  // namespace QTest

class test_6port_panel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(apply_program_style()); }
    void init() { QVERIFY(identify_unit("APP", "29")); }
    void cleanup() { serial_close(); }

    // Construction

    void frame_holds_the_picture_item_at_its_fixed_size() {
        panel_t panel;
        QVERIFY(panel.item);
        QCOMPARE(panel.item->parentWidget(), &panel.frame);
        QCOMPARE(panel.item->objectName(), QString("m_6portWidget"));
        QCOMPARE(panel.item->styleSheet(),
                 QString("ui_6port_widget_item_t#m_6portWidget{border-image:url(:/image/"
                         "KVT0206Q.png)}"));
        QCOMPARE(panel.item->minimumSize(), QSize(643, 260));
        QCOMPARE(panel.item->maximumSize(), QSize(643, 260));
        QVERIFY(qobject_cast<QVBoxLayout*>(panel.frame.layout()));
        QCOMPARE(panel.frame.layout()->indexOf(panel.item), 0);
    }

    void seven_buttons_per_switch_on_its_connectors_in_one_group() {
        panel_t panel;
        QCOMPARE(panel.buttons.size(), 14);
        const QPoint a[7] = {{147, 104}, {118, 54},  {175, 54}, {204, 104},
                             {175, 154}, {118, 154}, {89, 104}};
        for (int i = 0; i < 14; ++i) {
            const QPoint expected = a[i % 7] + QPoint(i < 7 ? 0 : 310, 0);
            QCOMPARE(panel.buttons[i]->geometry(), QRect(expected, QSize(50, 50)));
            QVERIFY(panel.buttons[i]->text().isEmpty());
            QButtonGroup* group = panel.buttons[i]->group();
            QVERIFY(group && group->exclusive());
            QCOMPARE(group->buttons().size(), 7);
            QCOMPARE(group, panel.buttons[i < 7 ? 0 : 7]->group());
        }
        QVERIFY(panel.buttons[0]->group() != panel.buttons[7]->group());
    }

    void starts_unchecked_with_every_indicator_hidden() {
        panel_t panel;
        QCOMPARE(panel.leds.size(), 2);
        QVERIFY(panel.checked().isEmpty());
        QCOMPARE(panel.view('A'), initial('A'));
        QCOMPARE(panel.view('B'), initial('B'));
    }

    void lamps_lie_above_buttons_above_bars() {
        panel_t panel;
        const QObjectList order = panel.item->children();
        QVERIFY(order.indexOf(panel.bars[1][2]) < order.indexOf(panel.buttons.first()));
        QVERIFY(order.indexOf(panel.buttons.last()) < order.indexOf(panel.leds.first()));
    }

    // Clicks

    void a_click_sends_the_switch_command_and_shows_the_path_data() {
        QTest::addColumn<char>("sw");
        QTest::addColumn<int>("position");
        for (char sw : {'A', 'B'}) {
            for (int position = 0; position <= 6; ++position) {
                QTest::addRow("%c%d", sw, position) << sw << position;
            }
        }
    }

    void a_click_sends_the_switch_command_and_shows_the_path() {
        QFETCH(char, sw);
        QFETCH(int, position);
        auto unit = std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0206q));
        pty_server_t peer(simulated(unit));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button(sw, position));
        const QByteArray set = QByteArray("SP6T") + sw + ":STATE:" + char('0' + position);
        QCOMPARE(received(peer, 2), (QList<QByteArray>{set, QByteArray("SP6T") + sw + ":STATE?"}));
        QCOMPARE(panel.checked(), QList<QRadioButton*>{panel.button(sw, position)});
        QCOMPARE(panel.view(sw), after(initial(sw), sw, position));
        const char other = sw == 'A' ? 'B' : 'A';
        QCOMPARE(panel.view(other), initial(other));
    }

    void position_0_hides_the_path_where_it_was() {
        pty_server_t peer(simulated_six_port());
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('A', 3));
        const view_t three = panel.view('A');
        QVERIFY(three.lamp_visible && three.bar_visible[0]);
        QCOMPARE(three.lamp, at(258, 85));
        QCOMPARE(three.bar[0], at(186, 125));
        click(panel.button('A', 0));
        QCOMPARE(received(peer, 4), (QList<QByteArray>{"SP6TA:STATE:3", "SP6TA:STATE?",
                                                       "SP6TA:STATE:0", "SP6TA:STATE?"}));
        view_t hidden = three;
        hidden.lamp_visible = false;
        hidden.bar_visible[0] = false;
        QCOMPARE(panel.view('A'), hidden);
    }

    void one_bar_moves_between_opposite_connectors_and_gives_way_to_another() {
        pty_server_t peer(simulated_six_port());
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('A', 3));
        click(panel.button('A', 6));
        QCOMPARE(panel.view('A'), after(after(initial('A'), 'A', 3), 'A', 6));
        QCOMPARE(panel.view('A').bar[0], at(127, 125));
        click(panel.button('A', 1));
        const view_t one = panel.view('A');
        QVERIFY(!one.bar_visible[0] && one.bar_visible[1] && !one.bar_visible[2]);
        QCOMPARE(one.bar[1], at(144, 87));
    }

    void every_click_sends_also_on_the_checked_button() {
        pty_server_t peer(simulated_six_port());
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('B', 4));
        click(panel.button('B', 4));
        QCOMPARE(received(peer, 4), (QList<QByteArray>{"SP6TB:STATE:4", "SP6TB:STATE?",
                                                       "SP6TB:STATE:4", "SP6TB:STATE?"}));
        QCOMPARE(panel.view('B'), after(initial('B'), 'B', 4));
    }

    void show_path_ignores_codes_outside_1_to_14() {
        pty_server_t peer(simulated_six_port());
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('A', 2));
        click(panel.button('B', 5));
        const view_t a = panel.view('A');
        const view_t b = panel.view('B');
        for (int code : {-1, 0, 15, 100}) {
            panel.item->show_path(code);
        }
        QCOMPARE(panel.view('A'), a);
        QCOMPARE(panel.view('B'), b);
        panel.item->show_path(14);
        QCOMPARE(panel.view('B'), after(b, 'B', 6));
        panel.item->show_path(1);
        QCOMPARE(panel.view('A'), after(a, 'A', 0));
    }

    // A click on A3 before anything was shown meets a fault.
    void a_click_the_unit_did_not_take_leaves_the_panel_true_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QByteArray>("os");
        QTest::addColumn<QList<QByteArray>>("reread");
        QTest::addColumn<QList<QByteArray>>("commands");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("message");
        const QList<QByteArray> none;
        const QList<QByteArray> both = {"SP6TA:STATE:3", "SP6TA:STATE?"};
        QTest::newRow("no unit connected")
            << false << QByteArray("APP") << none << none << -1 << "Device not connected!";
        // The window has the unit identified again; here nothing answers that.
        QTest::newRow("unit in its bootloader")
            << true << QByteArray("BOOTLOADER") << none << none << -1 << QString();
        QTest::newRow("re-read unanswered") << true << QByteArray("APP") << none << both << -1
                                            << "The unit did not report where switch A stands";
        QTest::newRow("unit stays at 5")
            << true << QByteArray("APP") << QList<QByteArray>{"5"} << both << 5
            << "Switch A did not switch to position 3: it stands at position 5";
    }

    void a_click_the_unit_did_not_take_leaves_the_panel_true() {
        QFETCH(bool, connected);
        QFETCH(QByteArray, os);
        QFETCH(QList<QByteArray>, reread);
        QFETCH(QList<QByteArray>, commands);
        QFETCH(int, shown);
        QFETCH(QString, message);
        identify_unit(os, "29");
        pty_server_t peer(taking_sets({{"SP6TA:STATE?", reread}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        drv_unit_instance().set_link_state(connected ? link_connected : link_disconnected);
        panel_t panel;
        QSignalSpy messages(&panel.frame, &ui_6port_widget_t::sendShowMsg);

        click(panel.button('A', 3));
        QCOMPARE(received(peer, commands.size()), commands);
        QVERIFY(!peer.wait_for_commands(commands.size() + 1, 3 * pty_server_t::command_gap_ms));
        QCOMPARE(panel.checked(), shown < 0 ? QList<QRadioButton*>()
                                            : QList<QRadioButton*>{panel.button('A', shown)});
        QCOMPARE(panel.view('A'), shown < 0 ? initial('A') : after(initial('A'), 'A', shown));
        QCOMPARE(messages.isEmpty() ? QString() : messages.last().first().toString(), message);
    }

    // The arrow keys walk a switch's positions in order, round past the ends.
    void arrow_keys_move_along_the_positions_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("down") << 1 << int(Qt::Key_Down) << 2;
        QTest::newRow("up") << 1 << int(Qt::Key_Up) << 0;
        QTest::newRow("right past the last") << 6 << int(Qt::Key_Right) << 0;
        QTest::newRow("left past the first") << 0 << int(Qt::Key_Left) << 6;
    }

    void arrow_keys_move_along_the_positions() {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        pty_server_t peer(simulated_six_port());
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('B', from));
        QVERIFY(peer.wait_for_commands(2, 5000));
        peer.clear_commands();
        QTest::keyClick(panel.button('B', from), Qt::Key(key));
        const QByteArray position = QByteArray::number(to);
        QCOMPARE(peer.commands(), (QList<QByteArray>{"SP6TB:STATE:" + position, "SP6TB:STATE?"}));
        QCOMPARE(panel.checked(), QList<QRadioButton*>{panel.button('B', to)});
    }

    // Read-back

    void read_back_shows_both_switches_and_checks_their_buttons() {
        pty_server_t peer(scripted({{"SP6TA:STATE?", {"2"}}, {"SP6TB:STATE?", {"4"}}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        panel.frame.device_connect_slot();
        QCOMPARE(received(peer, 2), read_back);
        QCOMPARE(panel.checked(),
                 (QList<QRadioButton*>{panel.button('A', 2), panel.button('B', 4)}));
        QCOMPARE(panel.view('A'), after(initial('A'), 'A', 2));
        QCOMPARE(panel.view('B'), after(initial('B'), 'B', 4));
        QCOMPARE(panel.view('B').lamp, at(330, 115));
        QCOMPARE(panel.view('B').bar[1], at(484, 136));
    }

    // The switches changed elsewhere after the operator's clicks.
    void read_back_moves_the_check_to_the_position_it_shows() {
        pty_server_t peer(
            taking_sets({{"SP6TA:STATE?", {"3", "5"}}, {"SP6TB:STATE?", {"1", "0"}}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('A', 3));
        click(panel.button('B', 1));
        panel.frame.device_connect_slot();
        QCOMPARE(panel.checked(),
                 (QList<QRadioButton*>{panel.button('A', 5), panel.button('B', 0)}));
        QCOMPARE(panel.view('A').lamp, at(258, 140));
        QVERIFY(!panel.view('B').lamp_visible);
    }

    void read_back_shows_what_the_operator_set_on_the_unit() {
        auto unit = std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0206q));
        pty_server_t peer(simulated(unit));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        {
            panel_t earlier;
            click(earlier.button('A', 5));
            click(earlier.button('B', 2));
        }
        panel_t panel;
        panel.frame.device_connect_slot();
        QCOMPARE(received(peer, 6).mid(4), read_back);
        QCOMPARE(panel.view('A'), after(initial('A'), 'A', 5));
        QCOMPARE(panel.view('B'), after(initial('B'), 'B', 2));
    }

    void only_the_first_character_counts() {
        pty_server_t peer(scripted({{"SP6TA:STATE?", {"45"}}, {"SP6TB:STATE?", {"6x"}}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        panel.frame.device_connect_slot();
        QCOMPARE(panel.view('A'), after(initial('A'), 'A', 4));
        QCOMPARE(panel.view('B'), after(initial('B'), 'B', 6));
    }

    // A1 and B3 were shown; the read-back then meets a fault.
    void a_read_back_without_a_position_shows_none_data() {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("7") << true << QByteArray("7")
                           << "Switch A answered \"7\", which is no position; "
                              "Switch B answered \"7\", which is no position";
        QTest::newRow("letter") << true << QByteArray("A")
                                << "Switch A answered \"A\", which is no position; "
                                   "Switch B answered \"A\", which is no position";
        QTest::newRow("empty line") << true << QByteArray("")
                                    << "Switch A answered \"\", which is no position; "
                                       "Switch B answered \"\", which is no position";
        QTest::newRow("silent unit") << true << QByteArray() << "The unit did not answer";
        QTest::newRow("no link") << false << QByteArray() << "The unit did not answer";
    }

    void a_read_back_without_a_position_shows_none() {
        QFETCH(bool, linked);
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        QList<QByteArray> faulty;
        if (!line.isNull()) {
            faulty << line;
        }
        pty_server_t peer(taking_sets({{"SP6TA:STATE?", QList<QByteArray>{"1"} + faulty},
                                       {"SP6TB:STATE?", QList<QByteArray>{"3"} + faulty}}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel;
        click(panel.button('A', 1));
        click(panel.button('B', 3));
        const view_t a = panel.view('A');
        const view_t b = panel.view('B');
        if (!linked) {
            serial_close();
        }
        QSignalSpy messages(&panel.frame, &ui_6port_widget_t::sendShowMsg);
        panel.frame.device_connect_slot();
        QCOMPARE(panel.view('A'), dark(a));
        QCOMPARE(panel.view('B'), dark(b));
        QVERIFY(panel.checked().isEmpty());
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().first().toString(), message);
    }

    // The link goes away right after A's lamp has moved: B shows no position.
    void a_failed_b_query_shows_b_at_none() {
        pty_server_t peer(scripted({{"SP6TA:STATE?", {"3"}}, {"SP6TB:STATE?", {"1"}}}));
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
        QCOMPARE(received(peer, 1), QList<QByteArray>{"SP6TA:STATE?"});
        QCOMPARE(panel.view('A'), after(initial('A'), 'A', 3));
        QCOMPARE(panel.view('B'), initial('B'));
    }
};

QTEST_MAIN(test_6port_panel)
#include "test_6port_panel.moc"
