#include <QButtonGroup>
#include <QSet>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

#include "driver/serial_link.h"
#include "driver/unit.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_6port_widget.h"
#include "panel/ui_indicator_widgets.h"
#include "tests/panel/panel_test_kit.h"

namespace {

constexpr int none = -1;

using lines_t = QList<QByteArray>;
using script_t = QMap<QByteArray, lines_t>;

// Where one position of a switch shows: its button, its lamp, and which of the
// switch's bars draws the path where. A position with no bar has no path.
struct place_t {
    QPoint button;
    QPoint lamp;
    int bar;
    QPoint bar_at;
};

// One model's panel as the operator sees it, and what it sends the unit.
struct model_t {
    const char* name;
    sim_model_t sim;
    QByteArray product;
    const char* switches;
    int first_position;
    const char* set_format;
    const char* get_format;
    lines_t read_back;
    QString object_name;
    QString style_sheet;
    QFrame* (*make)();
    QList<const QMetaObject*> bar_kinds;
    // Before anything is shown each bar waits at the place of its home
    // position and the lamp at position 1's; lit, or all hidden.
    QList<int> bar_homes;
    bool lit_at_start;
    QVector<QVector<place_t>> places;

    int switch_count() const { return int(places.size()); }
    int position_count() const { return int(places[0].size()); }
    const place_t& place(char sw, int position) const {
        return places[sw - 'A'][position - first_position];
    }
    QByteArray set(char sw, int position) const {
        const QLatin1Char wire(char('0' + position - first_position));
        return QString(set_format).arg(QLatin1Char(sw)).arg(wire).toLatin1();
    }
    QByteArray get(char sw) const { return QString(get_format).arg(QLatin1Char(sw)).toLatin1(); }
    lines_t click_commands(char sw, int position) const { return {set(sw, position), get(sw)}; }
};

const model_t two_port = {
    "2-port",
    sim_model_t::kvt0402q,
    "17",
    "ABCD",
    1,
    "SET%1=%2",
    "GET%1?",
    {"GETA?", "GETA?", "GETB?", "GETC?", "GETD?"},
    "m_2portWidget",
    "ui_2port_widget_item_t#m_2portWidget{border-image:url(:/image/KVT0402Q.png)}",
    []() -> QFrame* { return new ui_2port_widget_t(nullptr); },
    {&ui_rect4_widget_t::staticMetaObject},
    {1},
    true,
    {{{{110, 59}, {258, 35}, 0, {149, 80}}, {{205, 59}, {258, 60}, 0, {191, 80}}},
     {{{398, 59}, {330, 35}, 0, {436, 80}}, {{493, 59}, {330, 60}, 0, {478, 80}}},
     {{{110, 154}, {258, 145}, 0, {149, 175}}, {{205, 154}, {258, 170}, 0, {191, 175}}},
     {{{398, 154}, {330, 145}, 0, {436, 175}}, {{493, 154}, {330, 170}, 0, {478, 175}}}}};

const model_t six_port = {
    "6-port",
    sim_model_t::kvt0206q,
    "29",
    "AB",
    0,
    "SP6T%1:STATE:%2",
    "SP6T%1:STATE?",
    {"SP6TA:STATE?", "SP6TB:STATE?"},
    "m_6portWidget",
    "ui_6port_widget_item_t#m_6portWidget{border-image:url(:/image/KVT0206Q.png)}",
    []() -> QFrame* { return new ui_6port_widget_t(nullptr); },
    {&ui_rect1_widget_t::staticMetaObject, &ui_rect2_widget_t::staticMetaObject,
     &ui_rect3_widget_t::staticMetaObject},
    {6, 1, 2},
    false,
    {{{{147, 104}, {}, none, {}},
      {{118, 54}, {258, 35}, 1, {144, 87}},
      {{175, 54}, {258, 60}, 2, {166, 84}},
      {{204, 104}, {258, 85}, 0, {186, 125}},
      {{175, 154}, {258, 115}, 1, {174, 136}},
      {{118, 154}, {258, 140}, 2, {138, 135}},
      {{89, 104}, {258, 170}, 0, {127, 125}}},
     {{{457, 104}, {}, none, {}},
      {{428, 54}, {330, 35}, 1, {454, 87}},
      {{485, 54}, {330, 60}, 2, {476, 84}},
      {{514, 104}, {330, 85}, 0, {496, 125}},
      {{485, 154}, {330, 115}, 1, {484, 136}},
      {{428, 154}, {330, 140}, 2, {448, 135}},
      {{399, 104}, {330, 170}, 0, {437, 125}}}}};

QRect at(QPoint corner) {
    return QRect(corner, QSize(50, 50));
}

// What one switch shows: its checked buttons, its lamp and its bars.
struct view_t {
    QList<int> checked;
    bool lamp_visible;
    QRect lamp;
    QVector<bool> bar_visible;
    QVector<QRect> bar;
};

QString text(const QVector<view_t>& views) {
    const auto place = [](bool visible, QRect r) {
        return QString(" %1 %2,%3").arg(visible ? "shown" : "hidden").arg(r.x()).arg(r.y());
    };
    QString text;
    for (int s = 0; s < views.size(); ++s) {
        text += QString("%1: checked").arg(QChar('A' + s));
        for (int position : views[s].checked) {
            text += QString(" %1").arg(position);
        }
        text += "; lamp" + place(views[s].lamp_visible, views[s].lamp) + "; bars";
        for (int k = 0; k < views[s].bar.size(); ++k) {
            text += place(views[s].bar_visible[k], views[s].bar[k]);
        }
        text += '\n';
    }
    return text;
}

// What the panel should show: every switch as before anything was shown,
// then moved by each position shown on it in turn.
struct expected_t {
    const model_t& model;
    QVector<view_t> views;

    explicit expected_t(const model_t& model) : model(model) {
        for (const char* sw = model.switches; *sw; ++sw) {
            view_t v{{}, model.lit_at_start, at(model.place(*sw, 1).lamp), {}, {}};
            for (int home : model.bar_homes) {
                v.bar_visible << model.lit_at_start;
                v.bar << at(model.place(*sw, home).bar_at);
            }
            views << v;
        }
    }
    // none: the switch shows no position, its indicators hidden where they are.
    void show(char sw, int position) {
        view_t& v = views[sw - 'A'];
        v.checked = position == none ? QList<int>() : QList<int>{position};
        const int bar = position == none ? none : model.place(sw, position).bar;
        v.lamp_visible = bar != none;
        for (int k = 0; k < v.bar.size(); ++k) {
            v.bar_visible[k] = k == bar;
        }
        if (bar != none) {
            v.lamp = at(model.place(sw, position).lamp);
            v.bar[bar] = at(model.place(sw, position).bar_at);
        }
    }
    // A digit per switch, '-' for none.
    void show_all(const QByteArray& positions) {
        for (int s = 0; s < positions.size(); ++s) {
            show(char('A' + s), positions[s] == '-' ? none : positions[s] - '0');
        }
    }
    QString shows() const { return text(views); }
};

// The panel as the central widget shows it, with the parts a test looks at.
struct panel_t {
    const model_t& model;
    std::unique_ptr<QFrame> frame;
    QFrame* item = nullptr;
    QList<QRadioButton*> buttons;  // switch by switch, in position order
    QList<ui_led_widget_t*> leds;
    QVector<QList<QWidget*>> bars;  // per switch, one of each kind

    explicit panel_t(const model_t& model) : model(model), frame(model.make()) {
        frame->show();
        item = frame->findChild<QFrame*>(QString(), Qt::FindDirectChildrenOnly);
        buttons = children_of<QRadioButton>(item);
        leds = children_of<ui_led_widget_t>(item);
        bars.resize(model.switch_count());
        for (const QMetaObject* kind : model.bar_kinds) {
            int s = 0;
            for (QWidget* child : children_of<QWidget>(item)) {
                if (child->metaObject() == kind && s < bars.size()) {
                    bars[s++] << child;
                }
            }
        }
    }
    QRadioButton* button(char sw, int position) const {
        return buttons.value((sw - 'A') * model.position_count() + position - model.first_position);
    }
    void click(const QByteArray& name) { ::click(button(name[0], name.mid(1).toInt())); }
    void read_back() { QMetaObject::invokeMethod(frame.get(), "device_connect_slot"); }
    QString shows() const {
        QVector<view_t> views;
        for (int s = 0; s < model.switch_count(); ++s) {
            view_t v{{}, leds[s]->isVisible(), leds[s]->geometry(), {}, {}};
            for (int i = 0; i < model.position_count(); ++i) {
                if (buttons[s * model.position_count() + i]->isChecked()) {
                    v.checked << model.first_position + i;
                }
            }
            for (QWidget* bar : bars[s]) {
                v.bar_visible << bar->isVisible();
                v.bar << bar->geometry();
            }
            views << v;
        }
        return text(views);
    }
};

QStringList said(const QSignalSpy& messages) {
    QStringList texts;
    for (const QList<QVariant>& message : messages) {
        texts << message.first().toString();
    }
    return texts;
}

// A unit whose state queries all answer with the same line.
pty_server_t::handler_t answering_all(const model_t& model, const QByteArray& line) {
    script_t lines;
    for (const QByteArray& query : model.read_back) {
        lines[query] << line;
    }
    return scripted(lines);
}

QString no_position(const model_t& model, const QByteArray& line) {
    QStringList texts;
    for (const char* sw = model.switches; *sw; ++sw) {
        texts << QString("Switch %1 answered \"%2\", which is no position")
                     .arg(QLatin1Char(*sw))
                     .arg(QString(line));
    }
    return texts.join("; ");
}

pty_server_t::handler_t simulated_unit(const model_t& model) {
    return simulated(std::make_shared<sim_unit_t>(sim_default_config(model.sim)));
}

// The unit on the link when a click meets a fault.
enum unit_t { this_model, unplugged, in_bootloader, other_model };

}  // namespace

Q_DECLARE_METATYPE(const model_t*)

class test_model_panels : public QObject {
    Q_OBJECT

    static void model_rows() {
        QTest::addColumn<const model_t*>("model");
        for (const model_t* model : {&two_port, &six_port}) {
            QTest::newRow(model->name) << model;
        }
    }

private slots:
    void initTestCase() { QVERIFY(apply_program_style()); }
    // Every row names the model its unit is identified as.
    void init() {
        QFETCH(const model_t*, model);
        QVERIFY(identify_unit("APP", model->product));
    }
    void cleanup() { serial_close(); }

    // Construction

    void frame_holds_the_picture_item_with_its_buttons_bars_and_lamps_data() { model_rows(); }
    void frame_holds_the_picture_item_with_its_buttons_bars_and_lamps() {
        QFETCH(const model_t*, model);
        panel_t panel(*model);
        QVERIFY(panel.item);
        QCOMPARE(panel.item->objectName(), model->object_name);
        QCOMPARE(panel.item->styleSheet(), model->style_sheet);
        QCOMPARE(panel.item->minimumSize(), QSize(643, 260));
        QCOMPARE(panel.item->maximumSize(), QSize(643, 260));
        QVERIFY(qobject_cast<QVBoxLayout*>(panel.frame->layout()));
        QCOMPARE(panel.frame->layout()->indexOf(panel.item), 0);

        // A button on each connector, one exclusive group per switch.
        QCOMPARE(panel.buttons.size(), model->switch_count() * model->position_count());
        QSet<QButtonGroup*> groups;
        for (const char* sw = model->switches; *sw; ++sw) {
            QButtonGroup* group = panel.button(*sw, model->first_position)->group();
            QVERIFY(group && group->exclusive());
            QCOMPARE(group->buttons().size(), model->position_count());
            groups << group;
            for (int i = 0; i < model->position_count(); ++i) {
                const int position = model->first_position + i;
                QRadioButton* button = panel.button(*sw, position);
                QCOMPARE(button->geometry(), at(model->place(*sw, position).button));
                QVERIFY(button->text().isEmpty());
                QCOMPARE(button->group(), group);
                QCOMPARE(group->id(button), position);
            }
        }
        QCOMPARE(groups.size(), model->switch_count());

        // Nothing checked, every indicator at its first place.
        QCOMPARE(panel.leds.size(), model->switch_count());
        QCOMPARE(children_of<ui_figure_widget_t>(panel.item).size(),
                 model->switch_count() * (model->bar_kinds.size() + 1));
        QCOMPARE(panel.shows(), expected_t(*model).shows());

        // Lamps lie above buttons above bars.
        const QObjectList order = panel.item->children();
        for (const QList<QWidget*>& bars : panel.bars) {
            for (QWidget* bar : bars) {
                QVERIFY(order.indexOf(bar) < order.indexOf(panel.buttons.first()));
            }
        }
        QVERIFY(order.indexOf(panel.buttons.last()) < order.indexOf(panel.leds.first()));
    }

    // Clicks

    // Each click sends the set command and the state query, also on a
    // checked button, and shows where the unit then stands.
    void clicks_send_the_switch_command_and_show_the_path_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::addColumn<lines_t>("clicks");
        for (const model_t* model : {&two_port, &six_port}) {
            for (const char* sw = model->switches; *sw; ++sw) {
                for (int i = 0; i < model->position_count(); ++i) {
                    const QByteArray name = *sw + QByteArray::number(model->first_position + i);
                    QTest::addRow("%s %s", model->name, name.constData()) << model << lines_t{name};
                }
            }
        }
        QTest::newRow("2-port the checked button again") << &two_port << lines_t{"B2", "B2"};
        QTest::newRow("2-port switches are independent")
            << &two_port << lines_t{"A2", "C2", "D1", "A1"};
        QTest::newRow("6-port the checked button again") << &six_port << lines_t{"B4", "B4"};
        QTest::newRow("6-port position 0 hides the path where it was")
            << &six_port << lines_t{"A3", "A0"};
        QTest::newRow("6-port one bar between opposite connectors, then another")
            << &six_port << lines_t{"A3", "A6", "A1"};
    }

    void clicks_send_the_switch_command_and_show_the_path() {
        QFETCH(const model_t*, model);
        QFETCH(lines_t, clicks);
        pty_server_t peer(simulated_unit(*model));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel(*model);
        expected_t expected(*model);
        lines_t commands;
        for (const QByteArray& name : clicks) {
            panel.click(name);
            commands += model->click_commands(name[0], name.mid(1).toInt());
            expected.show(name[0], name.mid(1).toInt());
        }
        QCOMPARE(received(peer, int(commands.size())), commands);
        QCOMPARE(panel.shows(), expected.shows());
    }

    // The 2-port's B shows position 1 from a read-back before a click on B2
    // meets a fault; the 6-port's A3 is clicked before anything was shown.
    void a_click_the_unit_did_not_take_leaves_the_panel_true_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::addColumn<int>("unit");
        QTest::addColumn<lines_t>("set");
        QTest::addColumn<lines_t>("reread");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("message");
        const lines_t no, ok = {"OK"};
        const model_t* two = &two_port;
        const model_t* six = &six_port;
        const QString b_silent = "The unit did not report where switch B stands";
        const QString a_silent = "The unit did not report where switch A stands";
        const QString unlinked = "Device not connected!";
        QTest::newRow("2-port no unit connected")
            << two << int(unplugged) << ok << no << false << 1 << unlinked;
        // The window has the unit identified again; here nothing answers that.
        QTest::newRow("2-port unit in its bootloader")
            << two << int(in_bootloader) << ok << no << false << 1 << QString();
        QTest::newRow("2-port set and re-read unanswered")
            << two << int(this_model) << no << no << true << none << b_silent;
        QTest::newRow("2-port set taken, re-read unanswered")
            << two << int(this_model) << ok << no << true << none << b_silent;
        QTest::newRow("2-port set taken, unit stays at 1")
            << two << int(this_model) << ok << lines_t{"0"} << true << 1
            << "Switch B did not switch to position 2: it stands at position 1";
        QTest::newRow("2-port set unanswered, unit at 2")
            << two << int(this_model) << no << lines_t{"1"} << true << 2 << QString();
        // A panel sends nothing to a unit of the other model.
        QTest::newRow("2-port a 6-port unit identified")
            << two << int(other_model) << ok << lines_t{"1"} << false << none
            << "Nothing was switched: the unit on the link is not a KVT0402Q";
        QTest::newRow("6-port no unit connected")
            << six << int(unplugged) << ok << no << false << none << unlinked;
        QTest::newRow("6-port unit in its bootloader")
            << six << int(in_bootloader) << ok << no << false << none << QString();
        QTest::newRow("6-port re-read unanswered")
            << six << int(this_model) << ok << no << true << none << a_silent;
        QTest::newRow("6-port unit stays at 5")
            << six << int(this_model) << ok << lines_t{"5"} << true << 5
            << "Switch A did not switch to position 3: it stands at position 5";
        QTest::newRow("6-port a 2-port unit identified")
            << six << int(other_model) << ok << lines_t{"3"} << false << none
            << "Nothing was switched: the unit on the link is not a KVT0206Q";
    }

    void a_click_the_unit_did_not_take_leaves_the_panel_true() {
        QFETCH(const model_t*, model);
        QFETCH(int, unit);
        QFETCH(lines_t, set);
        QFETCH(lines_t, reread);
        QFETCH(bool, sent);
        QFETCH(int, shown);
        QFETCH(QString, message);
        const bool two = model == &two_port;
        const char sw = two ? 'B' : 'A';
        const int position = two ? 2 : 3;
        identify_unit(unit == in_bootloader ? "BOOTLOADER" : "APP",
                      unit == other_model ? (two ? six_port : two_port).product : model->product);
        script_t lines;
        if (two) {
            for (const QByteArray& query : model->read_back) {
                lines[query] << "0";
            }
        }
        lines[model->get(sw)] << reread;
        lines[model->set(sw, position)] = set;
        pty_server_t peer(scripted(lines));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel(*model);
        expected_t expected(*model);
        if (two) {
            panel.read_back();
            QCOMPARE(received(peer, int(model->read_back.size())), model->read_back);
            peer.clear_commands();
            expected.show_all("1111");
        }
        drv_unit_instance().set_link_state(unit == unplugged ? link_disconnected : link_connected);
        QSignalSpy messages(panel.frame.get(), SIGNAL(sendShowMsg(QString)));

        panel.click(sw + QByteArray::number(position));
        const lines_t commands = sent ? model->click_commands(sw, position) : lines_t();
        QCOMPARE(received(peer, int(commands.size())), commands);
        QVERIFY(
            !peer.wait_for_commands(int(commands.size()) + 1, 3 * pty_server_t::command_gap_ms));
        expected.show(sw, shown);
        QCOMPARE(panel.shows(), expected.shows());
        const QStringList texts = said(messages);
        QCOMPARE(texts.isEmpty() ? QString() : texts.last(), message);
    }

    // The arrow keys walk a switch's positions in order, round past the ends.
    void arrow_keys_move_along_the_positions_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("6-port down") << &six_port << 1 << int(Qt::Key_Down) << 2;
        QTest::newRow("6-port up") << &six_port << 1 << int(Qt::Key_Up) << 0;
        QTest::newRow("6-port right past the last") << &six_port << 6 << int(Qt::Key_Right) << 0;
        QTest::newRow("6-port left past the first") << &six_port << 0 << int(Qt::Key_Left) << 6;
        QTest::newRow("2-port down past the last") << &two_port << 2 << int(Qt::Key_Down) << 1;
    }

    void arrow_keys_move_along_the_positions() {
        QFETCH(const model_t*, model);
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        pty_server_t peer(simulated_unit(*model));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel(*model);
        panel.click("B" + QByteArray::number(from));
        QVERIFY(peer.wait_for_commands(2, 5000));
        peer.clear_commands();
        QTest::keyClick(panel.button('B', from), Qt::Key(key));
        QCOMPARE(peer.commands(), model->click_commands('B', to));
        expected_t expected(*model);
        expected.show('B', from);
        expected.show('B', to);
        QCOMPARE(panel.shows(), expected.shows());
    }

    void show_path_ignores_codes_outside_1_to_14_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::newRow("6-port") << &six_port;
    }

    void show_path_ignores_codes_outside_1_to_14() {
        pty_server_t peer(simulated_unit(six_port));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel(six_port);
        auto* item = qobject_cast<ui_6port_widget_item_t*>(panel.item);
        panel.click("A2");
        panel.click("B5");
        expected_t expected(six_port);
        expected.show_all("25");
        for (int code : {-1, 0, 15, 100}) {
            item->show_path(code);
        }
        QCOMPARE(panel.shows(), expected.shows());
        item->show_path(14);
        item->show_path(1);
        expected.show('B', 6);
        expected.show('A', 0);
        // A path shown checks no button.
        expected.views[0].checked = {2};
        expected.views[1].checked = {5};
        QCOMPARE(panel.shows(), expected.shows());
    }

    // Read-back

    // After the clicks, each answered as asked, a read-back asks every switch,
    // sends nothing else and says nothing.
    void read_back_shows_where_the_unit_says_each_switch_stands_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::addColumn<script_t>("script");
        QTest::addColumn<lines_t>("clicks");
        QTest::addColumn<QByteArray>("shown");
        // Only the second answer for A counts.
        QTest::newRow("2-port A asked twice")
            << &two_port
            << script_t{{"GETA?", {"1", "0"}}, {"GETB?", {"1"}}, {"GETC?", {"0"}}, {"GETD?", {"1"}}}
            << lines_t() << QByteArray("1212");
        QTest::newRow("2-port one button per switch checked")
            << &two_port
            << script_t{{"SETA=1", {"OK"}}, {"SETD=1", {"OK"}}, {"GETA?", {"1", "0", "0"}},
                        {"GETB?", {"0"}},   {"GETC?", {"0"}},   {"GETD?", {"1", "0"}}}
            << lines_t{"A2", "D2"} << QByteArray("1111");
        QTest::newRow("2-port only the first character counts") << &two_port
                                                                << script_t{{"GETA?", {"10", "10"}},
                                                                            {"GETB?", {"10"}},
                                                                            {"GETC?", {"10"}},
                                                                            {"GETD?", {"10"}}}
                                                                << lines_t() << QByteArray("2222");
        QTest::newRow("6-port both switches")
            << &six_port << script_t{{"SP6TA:STATE?", {"2"}}, {"SP6TB:STATE?", {"4"}}} << lines_t()
            << QByteArray("24");
        QTest::newRow("6-port the check moves to the position shown")
            << &six_port
            << script_t{{"SP6TA:STATE:3", {"OK"}},
                        {"SP6TB:STATE:1", {"OK"}},
                        {"SP6TA:STATE?", {"3", "5"}},
                        {"SP6TB:STATE?", {"1", "0"}}}
            << lines_t{"A3", "B1"} << QByteArray("50");
        QTest::newRow("6-port only the first character counts")
            << &six_port << script_t{{"SP6TA:STATE?", {"45"}}, {"SP6TB:STATE?", {"6x"}}}
            << lines_t() << QByteArray("46");
    }

    void read_back_shows_where_the_unit_says_each_switch_stands() {
        QFETCH(const model_t*, model);
        QFETCH(script_t, script);
        QFETCH(lines_t, clicks);
        QFETCH(QByteArray, shown);
        pty_server_t peer(scripted(script));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel(*model);
        expected_t expected(*model);
        for (const QByteArray& name : clicks) {
            panel.click(name);
            expected.show(name[0], name.mid(1).toInt());
        }
        QCOMPARE(panel.shows(), expected.shows());
        QVERIFY(peer.wait_for_commands(2 * int(clicks.size()), 5000));
        peer.clear_commands();
        QSignalSpy messages(panel.frame.get(), SIGNAL(sendShowMsg(QString)));
        panel.read_back();
        const int count = int(model->read_back.size());
        QCOMPARE(received(peer, count), model->read_back);
        QVERIFY(!peer.wait_for_commands(count + 1, 3 * pty_server_t::command_gap_ms));
        expected.show_all(shown);
        QCOMPARE(panel.shows(), expected.shows());
        QCOMPARE(said(messages), QStringList());
    }

    void read_back_shows_what_the_operator_set_on_the_unit_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::addColumn<lines_t>("clicks");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("2-port") << &two_port << lines_t{"B2", "C2"} << QByteArray("1221");
        QTest::newRow("6-port") << &six_port << lines_t{"A5", "B2"} << QByteArray("52");
    }

    void read_back_shows_what_the_operator_set_on_the_unit() {
        QFETCH(const model_t*, model);
        QFETCH(lines_t, clicks);
        QFETCH(QByteArray, shown);
        pty_server_t peer(simulated_unit(*model));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        {
            panel_t earlier(*model);
            for (const QByteArray& name : clicks) {
                earlier.click(name);
            }
        }
        panel_t panel(*model);
        panel.read_back();
        const int sets = 2 * int(clicks.size());
        QCOMPARE(received(peer, sets + int(model->read_back.size())).mid(sets), model->read_back);
        expected_t expected(*model);
        expected.show_all(shown);
        QCOMPARE(panel.shows(), expected.shows());
    }

    // Every switch showed a path before; the read-back meets a fault.
    void an_answer_that_is_no_position_shows_none_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message");
        const QString silent = "The unit did not answer";
        for (const model_t* model : {&two_port, &six_port}) {
            const QByteArray beyond = model == &two_port ? "2" : "7";
            QTest::addRow("%s digit %s", model->name, beyond.constData())
                << model << true << beyond << no_position(*model, beyond);
            QTest::addRow("%s letter", model->name)
                << model << true << QByteArray("A") << no_position(*model, "A");
            QTest::addRow("%s empty line", model->name)
                << model << true << QByteArray("") << no_position(*model, "");
            QTest::addRow("%s silent unit", model->name) << model << true << QByteArray() << silent;
            QTest::addRow("%s no link", model->name) << model << false << QByteArray() << silent;
        }
    }

    void an_answer_that_is_no_position_shows_none() {
        QFETCH(const model_t*, model);
        QFETCH(bool, linked);
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        pty_server_t earlier(answering_all(*model, "1"));
        QVERIFY(serial_open(earlier.port_name().toUtf8()));
        panel_t panel(*model);
        panel.read_back();
        expected_t expected(*model);
        expected.show_all(QByteArray(model->switch_count(), char('1' + model->first_position)));
        QCOMPARE(panel.shows(), expected.shows());
        serial_close();

        pty_server_t peer(line.isNull() ? scripted({}) : answering_all(*model, line));
        if (linked) {
            QVERIFY(serial_open(peer.port_name().toUtf8()));
        }
        QSignalSpy messages(panel.frame.get(), SIGNAL(sendShowMsg(QString)));
        panel.read_back();
        expected.show_all(QByteArray(model->switch_count(), '-'));
        QCOMPARE(panel.shows(), expected.shows());
        QCOMPARE(said(messages), QStringList{message});
    }

    // The link goes away right after A's lamp has moved: the switches after A
    // show no position.
    void a_failed_query_shows_its_switch_at_none_data() {
        QTest::addColumn<const model_t*>("model");
        QTest::addColumn<script_t>("script");
        QTest::addColumn<lines_t>("asked");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("2-port") << &two_port
                                << script_t{{"GETA?", {"0", "1"}},
                                            {"GETB?", {"1"}},
                                            {"GETC?", {"1"}},
                                            {"GETD?", {"1"}}}
                                << lines_t{"GETA?", "GETA?"} << QByteArray("2---");
        QTest::newRow("6-port") << &six_port
                                << script_t{{"SP6TA:STATE?", {"3"}}, {"SP6TB:STATE?", {"1"}}}
                                << lines_t{"SP6TA:STATE?"} << QByteArray("3-");
    }

    void a_failed_query_shows_its_switch_at_none() {
        QFETCH(const model_t*, model);
        QFETCH(script_t, script);
        QFETCH(lines_t, asked);
        QFETCH(QByteArray, shown);
        pty_server_t peer(scripted(script));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        panel_t panel(*model);
        struct link_cut_t : QObject {
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Move) {
                    serial_close();
                }
                return false;
            }
        } cut;
        panel.leds[0]->installEventFilter(&cut);
        panel.read_back();
        QCOMPARE(received(peer, int(asked.size())), asked);
        expected_t expected(*model);
        expected.show_all(shown);
        QCOMPARE(panel.shows(), expected.shows());
    }
};

QTEST_MAIN(test_model_panels)
#include "test_model_panels.moc"
