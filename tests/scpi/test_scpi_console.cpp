#include <QPushButton>
#include <QSerialPort>
#include <QtTest>

#include "driver/serial_link.h"
#include "scpi/ui_scpi_dialog.h"
#include "tests/support/scripted_unit.h"
#include "widget/ui_line_edit.h"

class test_scpi_console : public QObject {
    Q_OBJECT
private:
    ui_scpi_dialog_t* console = nullptr;

    ui_line_edit_t* command() const { return console->findChildren<ui_line_edit_t*>().at(0); }
    ui_line_edit_t* answer() const { return console->findChildren<ui_line_edit_t*>().at(1); }
    void click(const QString& text) {
        for (QPushButton* button : console->findChildren<QPushButton*>()) {
            if (button->text() == text) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        QFAIL(qPrintable("no button " + text));
    }

private slots:
    void init() {
        console = new ui_scpi_dialog_t(nullptr);
        console->show();
    }
    void cleanup() {
        delete console;
        serial_close();
    }

    void starts_with_the_identification_query() {
        QCOMPARE(command()->text(), QString("*IDN?"));
        QVERIFY(answer()->isReadOnly());
        QVERIFY(answer()->text().isEmpty());
    }

    void query_write_and_read_against_a_unit() {
        pty_server_t server(
            simulated(std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0206q))));
        QVERIFY(serial_open(server.port_name().toUtf8()));

        click("Query");
        QVERIFY(answer()->text().startsWith("Norvane,KVT0206Q,KVT2024001,"));
        QVERIFY(!answer()->text().contains('\n'));

        command()->setText("MN?");
        click("Write");
        QVERIFY(answer()->text().startsWith("Norvane"));
        QTRY_VERIFY_WITH_TIMEOUT(serial_port().bytesAvailable() >= 9, 2000);
        click("Read");
        QCOMPARE(answer()->text(), QString("KVT0206Q"));
        // Nothing waits now: the answer shown is the empty one.
        click("Read");
        QCOMPARE(answer()->text(), QString());

        command()->setText("SN? ");
        click("Write");
        QVERIFY(server.wait_for_commands(3, 2000));
        QCOMPARE(server.commands().last(), QByteArray("SN? "));
    }

    // Enter once fired the first auto-default button, Write, and left the answer waiting.
    void enter_in_the_command_field_queries_and_fires_no_button() {
        pty_server_t server(
            simulated(std::make_shared<sim_unit_t>(sim_default_config(sim_model_t::kvt0206q))));
        QVERIFY(serial_open(server.port_name().toUtf8()));
        for (QPushButton* button : console->findChildren<QPushButton*>()) {
            QVERIFY(!button->autoDefault());
            QVERIFY(!button->isDefault());
        }
        command()->setText("MN?");
        command()->setFocus();
        QTest::keyClick(command(), Qt::Key_Return);
        QCOMPARE(answer()->text(), QString("KVT0206Q"));
        QCOMPARE(server.commands(), QList<QByteArray>{"MN?"});
        QTest::keyClick(command(), Qt::Key_Enter);
        QCOMPARE(server.commands(), (QList<QByteArray>{"MN?", "MN?"}));
        QVERIFY(console->isVisible());
    }

    // Typing starts in the command field; Up and Down walk the commands sent
    // in this run, in any console, each kept once in a row.
    void keyboard_starts_in_the_command_field_with_the_run_s_commands() {
        QVERIFY(QTest::qWaitForWindowActive(console));
        QCOMPARE(QApplication::focusWidget(), command());
        QTest::keyClick(console, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), answer());
        for (const char* sent : {"HIST1?", "HIST2?", "HIST2?"}) {
            command()->setText(sent);
            click("Write");
        }
        command()->setText("typed");
        command()->setFocus();
        const struct {
            Qt::Key key;
            const char* shown;
        } steps[] = {{Qt::Key_Up, "HIST2?"},
                     {Qt::Key_Up, "HIST1?"},
                     {Qt::Key_Down, "HIST2?"},
                     {Qt::Key_Down, "typed"},
                     {Qt::Key_Down, "typed"}};
        for (const auto& step : steps) {
            QTest::keyClick(command(), step.key);
            QCOMPARE(command()->text(), QString(step.shown));
        }
        ui_scpi_dialog_t next(nullptr);
        auto* next_command = next.findChildren<ui_line_edit_t*>().at(0);
        QTest::keyClick(next_command, Qt::Key_Up);
        QCOMPARE(next_command->text(), QString("HIST2?"));
    }

    void without_a_link_query_empties_and_read_keeps() {
        answer()->setText("last answer");
        click("Read");
        QCOMPARE(answer()->text(), QString("last answer"));
        click("Write");
        QCOMPARE(answer()->text(), QString("last answer"));
        click("Query");
        QCOMPARE(answer()->text(), QString());
        QCOMPARE(answer()->placeholderText(), QString("No answer"));
    }
};

QTEST_MAIN(test_scpi_console)
#include "test_scpi_console.moc"
