#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>
#include <limits>
#include <memory>

#include "app/command_line.h"
#include "app/ui_central_widget.h"
#include "driver/serial_link.h"
#include "driver/unit.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_6port_widget.h"
#include "panel/ui_indicator_widgets.h"
#include "panel/ui_usb_widget.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/message_box_catcher.h"
#include "tests/support/scripted_unit.h"
#include "widget/ui_combo_box.h"
#include "widget/ui_label.h"

namespace {

// A served unit as the bar sees it: a USB port.
serial_port_entry_t usb_port(const served_unit_t& unit, quint16 vendor = 0xA5C3,
                             quint16 product = 0x0E21) {
    return {unit.server.port_name(), true, vendor, product};
}

std::unique_ptr<served_unit_t> serve(sim_model_t model, const QByteArray& serial) {
    sim_unit_config_t config = sim_default_config(model);
    config.serial_number = serial;
    return std::make_unique<served_unit_t>(config);
}

const QList<QByteArray> identification = {"OS?", "MN?", "SN?", "SV?", "SHOW:PRODect:ID?"};

}  // namespace

class test_device_selection : public QObject {
    Q_OBJECT
private:
    ui_central_widget_t* central = nullptr;
    ui_usb_widget_t* bar = nullptr;
    QList<serial_port_entry_t> ports;

    ui_label_t* state_label() const { return bar->findChildren<ui_label_t*>().at(0); }
    ui_combo_box_t* combo() const { return bar->findChild<ui_combo_box_t*>(); }
    bool two_port_shown() const { return !central->findChild<ui_2port_widget_t*>()->isHidden(); }
    bool six_port_shown() const { return !central->findChild<ui_6port_widget_t*>()->isHidden(); }

private slots:
    void init() {
        central = new ui_central_widget_t(nullptr);
        bar = central->findChild<ui_usb_widget_t*>();
        ports.clear();
        unit_search_t search;
        search.port_source = [this] { return ports; };
        bar->set_search(search);
    }

    void cleanup() {
        delete central;
        serial_close();
        drv_unit_instance().set_link_state(link_disconnected);
    }

    void starts_with_two_port_panel_and_red_label() {
        QVERIFY(two_port_shown());
        QVERIFY(!six_port_shown());
        QCOMPARE(state_label()->text(), QString("KVT is disconnected!"));
        QCOMPARE(combo()->count(), 0);
    }

    void rescan_lists_units_connects_first_and_reads_back() {
        auto first = serve(sim_model_t::kvt0402q, "SN-FIRST");
        auto second = serve(sim_model_t::kvt0206q, "SN-SECOND");
        ports = {usb_port(*first),
                 {"ttyS0", false, 0, 0},
                 usb_port(*first, 0xA5C3, 0x0E22),
                 usb_port(*second)};
        QSignalSpy connected(bar, &ui_usb_widget_t::device_connect_msg);
        bar->device_rescan_slot();

        QCOMPARE(combo()->count(), 2);
        QCOMPARE(combo()->itemText(0), first->server.port_name());
        QCOMPARE(combo()->itemText(1), second->server.port_name());
        QCOMPARE(connected.size(), 1);
        QCOMPARE(connected.first().first().toInt(), 17);
        QCOMPARE(state_label()->text(), QString("KVT0402Q-SN-FIRST"));
        QVERIFY(state_label()->styleSheet().contains("rgb(140,140,250)"));
        QCOMPARE(drv_unit_instance().link_state(), link_connected);
        QVERIFY(two_port_shown());
        QCOMPARE(first->server.commands(),
                 (identification + QList<QByteArray>{"GETA?", "GETA?", "GETB?", "GETC?", "GETD?"}));
        QVERIFY(second->server.commands().isEmpty());
    }

    void six_port_unit_gets_the_six_port_panel() {
        auto unit = serve(sim_model_t::kvt0206q, "SN-SIX");
        ports = {usb_port(*unit)};
        bar->device_rescan_slot();
        QVERIFY(six_port_shown());
        QVERIFY(!two_port_shown());
        QCOMPARE(unit->server.commands(),
                 (identification + QList<QByteArray>{"SP6TA:STATE?", "SP6TB:STATE?"}));

        // Announcing another model returns to the two-port panel with its read-back.
        unit->server.clear_commands();
        central->change_port_widget_slot(5);
        QVERIFY(two_port_shown());
        QVERIFY(!six_port_shown());
        QCOMPARE(unit->server.commands().size(), 5);
    }

    void rescan_reopens_and_identifies_again() {
        auto unit = serve(sim_model_t::kvt0402q, "SN-AGAIN");
        ports = {usb_port(*unit)};
        QSignalSpy connected(bar, &ui_usb_widget_t::device_connect_msg);
        bar->device_rescan_slot();
        bar->device_rescan_slot();
        QCOMPARE(connected.size(), 2);
        QCOMPARE(unit->server.commands().count("OS?"), 2);
    }

    void rescan_finding_nothing_says_so_and_keeps_the_label() {
        auto unit = serve(sim_model_t::kvt0402q, "SN-KEPT");
        ports = {usb_port(*unit)};
        bar->device_rescan_slot();
        ports = {{"ttyUSB0", true, 0x0403, 0x6001}};
        message_box_catcher_t boxes;
        bar->device_rescan_slot();
        QCOMPARE(boxes.texts, QStringList{"Target device no find!"});
        QCOMPARE(boxes.titles, QStringList{"Information"});
        QCOMPARE(combo()->count(), 0);
        QCOMPARE(state_label()->text(), QString("KVT0402Q-SN-KEPT"));
        // The serial rescan closed the port before it looked.
        QVERIFY(!serial_port().isOpen());
    }

    void failed_identification_shows_a_dash_and_tells_the_status_bar() {
        pty_server_t bootloader(answering({{"OS?", "BOOTLOADER"}}));
        ports = {{bootloader.port_name(), true, 0xA5C3, 0x0E21}};
        QSignalSpy connected(bar, &ui_usb_widget_t::device_connect_msg);
        QSignalSpy status(central, &ui_central_widget_t::sendShowMsg);
        bar->device_rescan_slot();
        QCOMPARE(state_label()->text(), QString("-"));
        QCOMPARE(connected.size(), 0);
        QCOMPARE(drv_unit_instance().link_state(), link_connected);
        QCOMPARE(status.size(), 1);
        QVERIFY(status.first().first().toString().contains(bootloader.port_name()));

        // A click asks the unit who it is again, and whether it waits in its
        // bootloader, and switches nothing that has not said.
        bootloader.clear_commands();
        central->findChild<ui_2port_widget_item_t*>()->findChildren<QRadioButton*>().at(1)->click();
        QCOMPARE(bootloader.commands(), (QList<QByteArray>{"OS?", "OS?", "SN?"}));
    }

    // The unit takes the set command for A, but A stays where it was.
    void a_stuck_switch_shows_where_it_stands_and_says_so() {
        served_unit_t unit(unit_config("KVT0402Q,sn=SN-STUCK,faults=stuck:A"));
        ports = {usb_port(unit)};
        bar->device_rescan_slot();
        auto* panel = central->findChild<ui_2port_widget_item_t*>();
        const QList<QRadioButton*> buttons = panel->findChildren<QRadioButton*>();
        unit.server.clear_commands();
        QSignalSpy status(central, &ui_central_widget_t::sendShowMsg);

        buttons.at(1)->click();
        QVERIFY(unit.server.wait_for_commands(2, 5000));
        QCOMPARE(unit.server.commands(), (QList<QByteArray>{"SETA=1", "GETA?"}));
        QVERIFY(buttons.at(0)->isChecked());
        QCOMPARE(panel->findChildren<ui_led_widget_t*>().at(0)->geometry(), QRect(258, 35, 50, 50));
        QCOMPARE(panel->findChildren<ui_rect4_widget_t*>().at(0)->geometry(),
                 QRect(149, 80, 50, 50));
        QCOMPARE(status.size(), 1);
        QCOMPARE(status.first().first().toString(),
                 QString("Switch A did not switch to position 2: it stands at position 1"));
    }

    void product_number_is_read_as_a_leading_decimal() {
        constexpr int none = std::numeric_limits<int>::max();  // nothing announced
        const struct {
            QByteArray answer;
            int emitted;
        } cases[] = {{"29", 29},
                     {"29abc", 29},
                     {"  +7", 7},
                     {"x29", none},
                     {"99999999999", none},
                     {"+-7", none},
                     {"\t-3", -3},
                     {"-2147483648", std::numeric_limits<int>::min()}};
        for (const auto& c : cases) {
            pty_server_t peer(answering({{"OS?", "APP"},
                                         {"MN?", "KVT0402Q"},
                                         {"SN?", "S1"},
                                         {"SV?", "1"},
                                         {"SHOW:PRODect:ID?", c.answer}}));
            ports = {{peer.port_name(), true, 0xA5C3, 0x0E21}};
            QSignalSpy connected(bar, &ui_usb_widget_t::device_connect_msg);
            bar->device_rescan_slot();
            QCOMPARE(state_label()->text(), QString("KVT0402Q-S1"));
            QCOMPARE(connected.size(), c.emitted == none ? 0 : 1);
            if (c.emitted != none) {
                QCOMPARE(connected.first().first().toInt(), c.emitted);
            }
        }
    }

    void change_slot_ignores_indexes_outside_the_list() {
        auto unit = serve(sim_model_t::kvt0402q, "SN-IDX");
        ports = {usb_port(*unit)};
        bar->device_rescan_slot();
        unit->server.clear_commands();
        bar->device_change_slot(-1);
        bar->device_change_slot(1);
        QVERIFY(!unit->server.wait_for_commands(1, 50));
    }

    void unopenable_port_changes_nothing_and_says_so() {
        ports = {{"/dev/quillon-missing", true, 0xA5C3, 0x0E21}};
        QSignalSpy connected(bar, &ui_usb_widget_t::device_connect_msg);
        QSignalSpy status(central, &ui_central_widget_t::sendShowMsg);
        bar->device_rescan_slot();
        QCOMPARE(combo()->count(), 1);
        QCOMPARE(connected.size(), 0);
        QCOMPARE(state_label()->text(), QString("KVT is disconnected!"));
        QCOMPARE(drv_unit_instance().link_state(), link_disconnected);
        QCOMPARE(status.size(), 1);
        QCOMPARE(status.first().first().toString(),
                 QString("Unit /dev/quillon-missing: cannot be opened"));
    }

    void switching_to_an_unopenable_unit_leaves_none_shown() {
        auto unit = serve(sim_model_t::kvt0402q, "SN-BEFORE");
        ports = {usb_port(*unit), {"/dev/quillon-missing", true, 0xA5C3, 0x0E21}};
        bar->device_rescan_slot();
        QCOMPARE(drv_unit_instance().link_state(), link_connected);
        combo()->setCurrentIndex(1);
        QCOMPARE(state_label()->text(), QString("KVT is disconnected!"));
        QCOMPARE(drv_unit_instance().link_state(), link_disconnected);
    }

    // The unit's port vanished (kvt-sim ended) while the panel showed it.
    void a_vanished_unit_turns_the_bar_back_to_disconnected() {
        auto unit = serve(sim_model_t::kvt0402q, "SN-GONE");
        const QString name = unit->server.port_name();
        ports = {usb_port(*unit)};
        bar->device_rescan_slot();
        QCOMPARE(drv_unit_instance().link_state(), link_connected);
        auto* panel = central->findChild<ui_2port_widget_item_t*>();
        QRadioButton* b2 = panel->findChildren<QRadioButton*>().at(3);
        QVERIFY(!b2->isChecked());
        unit.reset();

        QSignalSpy status(central, &ui_central_widget_t::sendShowMsg);
        b2->click();
        QCOMPARE(status.size(), 1);
        QCOMPARE(status.first().first().toString(), "Unit " + name + " was lost");
        QCOMPARE(state_label()->text(), QString("KVT is disconnected!"));
        QVERIFY(state_label()->styleSheet().contains("rgb(255,100,100)"));
        QCOMPARE(drv_unit_instance().link_state(), link_disconnected);
        QVERIFY(!drv_unit_instance().identified());
        QVERIFY(!b2->isChecked());

        b2->click();
        QCOMPARE(status.last().first().toString(), QString("Device not connected!"));
    }

    // kvt-sim's pseudo-terminals carry no USB identifiers; the operator names them.
    void ports_named_on_the_command_line_follow_the_units_own() {
        auto usb = serve(sim_model_t::kvt0402q, "SN-USB");
        auto named = serve(sim_model_t::kvt0206q, "SN-NAMED");
        ports = {usb_port(*usb)};
        unit_search_t search =
            read_command_line({"quillon", "-platform", "offscreen", "--port",
                               named->server.port_name(), "--port", "/dev/quillon-other"})
                .search;
        search.port_source = [this] { return ports; };
        bar->set_search(search);
        bar->device_rescan_slot();
        QCOMPARE(combo()->count(), 3);
        QCOMPARE(combo()->itemText(1), named->server.port_name());
        QCOMPARE(combo()->itemText(2), QString("/dev/quillon-other"));
        ports.clear();
        bar->device_rescan_slot();
        QCOMPARE(state_label()->text(), QString("KVT0206Q-SN-NAMED"));
    }
};

QTEST_MAIN(test_device_selection)
#include "test_device_selection.moc"
