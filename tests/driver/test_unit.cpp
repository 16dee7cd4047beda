#include <QMap>
#include <QtTest>

#include "driver/serial_link.h"
#include "driver/unit.h"
#include "tests/support/scripted_unit.h"

namespace {

const QMap<QByteArray, QByteArray> healthy = {
    {"OS?", "APP"},   {"MN?", "KVT0402Q"},        {"SN?", "SN0001"},
    {"SV?", "1.2.0"}, {"SHOW:PRODect:ID?", "17"},
};

unit_info_t sentinel() {
    return {"old model", "old serial", "old version", "old id"};
}

bool same(const unit_info_t& a, const unit_info_t& b) {
    return a.model == b.model && a.serial_number == b.serial_number &&
           a.software_version == b.software_version && a.product_id == b.product_id;
}

}  // namespace

class test_unit : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { serial_close(); }

    void starts_disconnected() { QCOMPARE(drv_unit_instance().link_state(), link_disconnected); }

    void link_state_is_stored() {
        serial_link_t link;
        drv_unit_t unit(link);
        unit.set_link_state(link_upgrading);
        QCOMPARE(unit.link_state(), link_upgrading);
    }

    void identify_fills_the_record_in_order() {
        pty_server_t peer(answering(healthy));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        unit_info_t info;
        QVERIFY(drv_unit_instance().identify(info));
        QVERIFY(same(info, {"KVT0402Q", "SN0001", "1.2.0", "17"}));
        QCOMPARE(peer.commands(),
                 (QList<QByteArray>{"OS?", "MN?", "SN?", "SV?", "SHOW:PRODect:ID?"}));
    }

    void identify_refuses_anything_but_app_and_asks_no_more() {
        for (const QByteArray& os :
             {QByteArray("app"), QByteArray("APP "), QByteArray("BOOTLOADER")}) {
            auto answers = healthy;
            answers["OS?"] = os;
            pty_server_t peer(answering(answers));
            QVERIFY(serial_open(peer.port_name().toUtf8()));
            unit_info_t info = sentinel();
            QVERIFY(!drv_unit_instance().identify(info));
            QVERIFY(same(info, sentinel()));
            QCOMPARE(peer.commands(), QList<QByteArray>{"OS?"});
            serial_close();
        }
    }

    void identify_refuses_a_silent_unit() {
        pty_server_t peer(answering({}));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        unit_info_t info = sentinel();
        QVERIFY(!drv_unit_instance().identify(info));
        QVERIFY(same(info, sentinel()));
    }

    void identify_stops_at_a_failed_software_version() {
        auto answers = healthy;
        answers.remove("SV?");
        pty_server_t peer(answering(answers));
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        unit_info_t info = sentinel();
        QVERIFY(!drv_unit_instance().identify(info));
        QVERIFY(same(info, sentinel()));
        QCOMPARE(peer.commands(), (QList<QByteArray>{"OS?", "MN?", "SN?", "SV?"}));
    }

    void identify_without_link_fails_and_keeps_the_record() {
        unit_info_t info = sentinel();
        QVERIFY(!drv_unit_instance().identify(info));
        QVERIFY(same(info, sentinel()));
    }

    void switch_commands_are_exact() {
        pty_server_t peer([](const QByteArray& command) {
            return answer_t{{0, command.startsWith("SP6T") ? "45\n" : "1\n"}};
        });
        QVERIFY(serial_open(peer.port_name().toUtf8()));
        drv_unit_t& unit = drv_unit_instance();
        char pos = 'x';
        QVERIFY(unit.set_2port_state('C', '1'));
        QVERIFY(unit.get_2port_state('D', pos));
        QCOMPARE(pos, '1');
        QVERIFY(unit.set_6port_state('B', '6'));
        QVERIFY(unit.get_6port_state('A', pos));
        QCOMPARE(pos, '4');
        QCOMPARE(peer.commands(),
                 (QList<QByteArray>{"SETC=1", "GETD?", "SP6TB:STATE:6", "SP6TA:STATE?"}));
    }

    void state_query_edge_cases() {
        drv_unit_t& unit = drv_unit_instance();
        char pos = 'k';
        QVERIFY(!unit.get_2port_state('A', pos));
        QVERIFY(!unit.get_6port_state('A', pos));
        QVERIFY(!unit.set_2port_state('A', '0'));
        QCOMPARE(pos, 'k');

        // A unit that does not answer is a failure, not position '\0'.
        pty_server_t silent(answering({}));
        QVERIFY(serial_open(silent.port_name().toUtf8()));
        QVERIFY(!unit.get_2port_state('A', pos));
        QCOMPARE(pos, 'k');
    }
};

QTEST_GUILESS_MAIN(test_unit)
#include "test_unit.moc"
