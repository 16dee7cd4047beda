// The text form of a unit list.
#include <QTest>

#include "sim/sim_config.h"

class test_sim_config : public QObject {
    Q_OBJECT

private slots:
    void default_list();
    void every_setting();
    void every_fault();
    void blanks_and_places();
    void errors_data();
    void errors();
};

void test_sim_config::default_list() {
    QVector<sim_unit_config_t> units;
    QString error;
    QVERIFY2(sim_parse_units(sim_default_units_text(), units, error), qPrintable(error));
    QCOMPARE(units.size(), 2);
    QCOMPARE(units[0].model, sim_model_t::kvt0402q);
    QCOMPARE(units[0].serial_number, QByteArray("KVT2024001"));
    QCOMPARE(units[0].product_number, 17);
    QCOMPARE(units[1].model, sim_model_t::kvt0206q);
    QCOMPARE(units[1].serial_number, QByteArray("KVT2024002"));
    QCOMPARE(units[1].product_number, 29);
    QCOMPARE(units[1].software_version, QByteArray("1.0.0"));
    QCOMPARE(units[1].upgrade_id, (std::array<int, 4>{700, 0, 0, 1}));
    QCOMPARE(units[1].start_mode, sim_mode_t::application);
}

void test_sim_config::every_setting() {
    QVector<sim_unit_config_t> units;
    QString error;
    QVERIFY2(
        sim_parse_units("KVT0402Q,sn=X9,sv=2.0-rc1,pn=31,id=0/600/800/0,restart=1200,mode=boot",
                        units, error),
        qPrintable(error));
    QCOMPARE(units.size(), 1);
    const sim_unit_config_t& unit = units[0];
    QCOMPARE(unit.serial_number, QByteArray("X9"));
    QCOMPARE(unit.software_version, QByteArray("2.0-rc1"));
    QCOMPARE(unit.product_number, 31);
    QCOMPARE(unit.upgrade_id, (std::array<int, 4>{0, 600, 800, 0}));
    QCOMPARE(unit.restart_ms, 1200);
    QCOMPARE(unit.start_mode, sim_mode_t::bootloader);
}

void test_sim_config::every_fault() {
    QVector<sim_unit_config_t> units;
    QString error;
    QVERIFY2(sim_parse_units("KVT0206Q,faults=silent+delay:150+split:30+garbage+overlong+"
                             "never-ready+never-back+crlf+fail:SV?+fail:SP6TA:STATE?+stuck:B+"
                             "vanish:12",
                             units, error),
             qPrintable(error));
    const sim_faults_t& f = units[0].faults;
    QVERIFY(f.silent && f.garbage && f.overlong && f.never_ready && f.never_back &&
            f.bootloader_crlf);
    QCOMPARE(f.delay_ms, 150);
    QCOMPARE(f.split_gap_ms, 30);
    QCOMPARE(f.failing_commands, (QByteArrayList{"SV?", "SP6TA:STATE?"}));
    QCOMPARE(f.stuck_switches, QByteArrayList{"B"});
    QCOMPARE(f.vanish_after, 12);
    QVERIFY(sim_parse_units("KVT0206Q", units, error));
    const sim_faults_t& none = units[0].faults;
    QVERIFY(!none.silent && none.delay_ms == 0 && none.failing_commands.isEmpty() &&
            none.stuck_switches.isEmpty() && none.vanish_after < 0);
}

void test_sim_config::blanks_and_places() {
    QVector<sim_unit_config_t> units;
    QString error;
    QVERIFY2(
        sim_parse_units(" KVT0206Q , faults = delay:5 ; KVT0402Q,sn=A1 ; KVT0402Q ", units, error),
        qPrintable(error));
    QCOMPARE(units.size(), 3);
    QCOMPARE(units[0].faults.delay_ms, 5);
    QCOMPARE(units[0].serial_number, QByteArray("KVT2024001"));
    QCOMPARE(units[1].serial_number, QByteArray("A1"));
    QCOMPARE(units[2].serial_number, QByteArray("KVT2024003"));
}

void test_sim_config::errors_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("empty") << ""
                           << "unit 1";
    QTest::newRow("trailing separator") << "KVT0402Q;"
                                        << "unit 2";
    QTest::newRow("unknown model") << "KVT9999Q"
                                   << "KVT9999Q";
    QTest::newRow("unknown key") << "KVT0402Q,colour=red"
                                 << "colour";
    QTest::newRow("no value") << "KVT0402Q,sn"
                              << "key=value";
    QTest::newRow("blank in serial") << "KVT0402Q,sn=A B"
                                     << "A B";
    QTest::newRow("empty serial") << "KVT0402Q,sn="
                                  << "empty";
    QTest::newRow("29 for two-port") << "KVT0402Q,pn=29"
                                     << "29";
    QTest::newRow("other for six-port") << "KVT0206Q,pn=17"
                                        << "17";
    QTest::newRow("product not a number") << "KVT0402Q,pn=x"
                                          << "product";
    QTest::newRow("three ids") << "KVT0402Q,id=1/2/3"
                               << "four";
    QTest::newRow("id not a number") << "KVT0402Q,id=1/2/x/4"
                                     << "four";
    QTest::newRow("negative restart") << "KVT0402Q,restart=-1"
                                      << "restart";
    QTest::newRow("bad mode") << "KVT0402Q,mode=bios"
                              << "mode";
    QTest::newRow("unknown fault") << "KVT0402Q,faults=smoke"
                                   << "smoke";
    QTest::newRow("delay without time") << "KVT0402Q,faults=delay"
                                        << "delay";
    QTest::newRow("delay too long") << "KVT0402Q,faults=delay:60001"
                                    << "delay";
    QTest::newRow("flag with time") << "KVT0402Q,faults=silent:5"
                                    << "silent";
    QTest::newRow("fail without command") << "KVT0402Q,faults=fail"
                                          << "fail";
    QTest::newRow("fail with empty command") << "KVT0402Q,faults=fail:"
                                             << "fail";
    QTest::newRow("fail with a command beyond ASCII")
        << QString::fromUtf8("KVT0402Q,faults=fail:SV\u20ac") << "fail";
    QTest::newRow("stuck on a switch the model lacks") << "KVT0206Q,faults=stuck:C"
                                                       << "stuck";
    QTest::newRow("stuck on two switches at once") << "KVT0402Q,faults=stuck:AB"
                                                   << "stuck";
    QTest::newRow("vanish without count") << "KVT0402Q,faults=vanish"
                                          << "vanish";
    QTest::newRow("vanish negative") << "KVT0402Q,faults=vanish:-1"
                                     << "vanish";
    QTest::newRow("second unit bad") << "KVT0402Q;KVT0206Q,faults=+"
                                     << "unit 2";
}

void test_sim_config::errors() {
    QFETCH(QString, text);
    QFETCH(QString, mentions);
    QVector<sim_unit_config_t> units(1);
    units[0].serial_number = "untouched";
    QString error;
    QVERIFY(!sim_parse_units(text, units, error));
    QVERIFY2(error.contains(mentions), qPrintable(error));
    QCOMPARE(units.size(), 1);
    QCOMPARE(units[0].serial_number, QByteArray("untouched"));
}

QTEST_GUILESS_MAIN(test_sim_config)
#include "test_sim_config.moc"
