// The upgrade dialog as the operator drives it, against a simulated unit of
// the VISA stand-in.
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "driver/unit.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_usb_widget.h"
#include "tests/support/message_box_catcher.h"
#include "upgrade/ui_upgrade_dialog.h"
#include "upgrade_test_kit.h"
#include "widget/ui_combo_box.h"
#include "widget/ui_label.h"
#include "widget/ui_push_button.h"

namespace {

constexpr int run_limit_ms = 30000;
const QByteArray serial = "DIALOG";

QByteArray pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = char(i * 13 % 256);
    }
    return bytes;
}

ui_push_button_t* button(QDialog& dialog, const QString& text) {
    for (auto* candidate : dialog.findChildren<ui_push_button_t*>()) {
        if (candidate->text() == text) {
            return candidate;
        }
    }
    qFatal("no button %s", qPrintable(text));
}

// Answers the file dialog that Browse opens: picks path, or cancels when it is
// empty. It answers on every tick until the dialog has closed.
void browse(QDialog& dialog, const QString& path) {
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (files == nullptr) {
            return;
        }
        if (path.isEmpty()) {
            files->reject();
            return;
        }
        files->selectFile(path);
        // A dialog whose name field has the focus keeps that field's text
        // through selectFile, so the answer is typed in as well.
        if (auto* name = files->findChild<QLineEdit*>("fileNameEdit")) {
            name->setText(path);
        }
        QMetaObject::invokeMethod(files, "accept");
    });
    answer.start(10);
    button(dialog, "Browse")->click();
}

// The record of the unit with this serial number; leaves it the current unit.
QByteArrayList sim_record_of(const QByteArray& unit_serial) {
    return visa_connect(unit_resource(unit_serial)) ? sim_record() : QByteArrayList{"(no unit)"};
}

int runs_seen() {
    return sim_record().count("HOSTUG 5000");
}

}  // namespace

class test_upgrade_dialog : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString good;

    QString image(const QString& name, const QByteArray& bytes) {
        return QFile::decodeName(write_image(QDir(dir.path()), name, bytes));
    }

private slots:
    void initTestCase() {
        // A desktop's own file dialog (a portal's, say) is no widget the test
        // could answer, and whether the platform offers one varies.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        qputenv("KVT_VISA_UNITS",
                "KVT0402Q,restart=50,sn=" + serial +
                    ";KVT0402Q,sn=AWAY,faults=never-back;KVT0402Q,sn=TWIN;KVT0206Q,sn=TWIN");
        QVERIFY2(visa_available(), "the VISA stand-in did not load");
        QVERIFY(dir.isValid());
        // A non-ASCII directory: the path must reach the file in the platform's encoding.
        const QString folder = QString::fromUtf8("Prüfung 升级");
        QVERIFY(QDir(dir.path()).mkdir(folder));
        good =
            QFile::decodeName(write_image(QDir(dir.filePath(folder)), "good.ADS",
                                          make_image(700, {{section_product, "KVT0402Q-NEW"},
                                                           {section_application, pattern(5000)}})));
    }

    void init() {
        QVERIFY(visa_connect(unit_resource(serial)));
        drv_unit_instance().set_link_state(link_connected);
    }

    void run_to_the_end_with_the_unit_held() {
        message_box_catcher_t boxes;
        QPointer<ui_upgrade_dialog_t> dialog = new ui_upgrade_dialog_t(nullptr);
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
        browse(*dialog, good);
        QCOMPARE(dialog->findChild<QLineEdit*>()->text(), good);

        button(*dialog, "Begin")->click();
        QCOMPARE(drv_unit_instance().link_state(), link_upgrading);
        button(*dialog, "Begin")->click();
        QVERIFY(!dialog->close());
        QVERIFY(dialog->isVisible());
        const QString waits = "The upgrade is running: this dialog closes once it has ended.";
        QCOMPARE(boxes.texts, QStringList{waits});
        MainWindow window(nullptr);
        window.upgrade_btn_click_slot();
        QCOMPARE(boxes.texts, (QStringList{waits, "Upgrading!"}));

        QTRY_COMPARE_WITH_TIMEOUT(drv_unit_instance().link_state(), link_connected, run_limit_ms);
        QCOMPARE(boxes.texts, (QStringList{waits, "Upgrading!", "Upgrade OK!"}));
        auto* progress = dialog->findChild<QProgressBar*>();
        QCOMPARE(progress->maximum(), 5000);
        QCOMPARE(progress->value(), 5000);
        QCOMPARE(runs_seen(), 1);

        QVERIFY(dialog->close());
        QTRY_VERIFY(dialog.isNull());
    }

    // The program's end must not cut a transfer short.
    void quitting_waits_for_the_run() {
        message_box_catcher_t boxes;
        ui_upgrade_dialog_t dialog(nullptr);
        browse(dialog, good);
        button(dialog, "Begin")->click();
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
        QCOMPARE(sim_record().mid(sim_record().size() - 2),
                 (QByteArrayList{fixed("REBOOT"), "SN?"}));
        QTRY_COMPARE_WITH_TIMEOUT(drv_unit_instance().link_state(), link_connected, run_limit_ms);
    }

    void failing_section_fails_once_and_ends_the_run() {
        message_box_catcher_t boxes;
        const QString three = image(
            "three.ADS",
            make_image(700, {{section_vid, "0xA5C3"}, {2, pattern(10)}, {section_pid, "0x0E21"}}));
        ui_upgrade_dialog_t dialog(nullptr);
        browse(dialog, three);
        button(dialog, "Begin")->click();
        QTRY_COMPARE_WITH_TIMEOUT(drv_unit_instance().link_state(), link_connected, run_limit_ms);
        QCOMPARE(boxes.texts, QStringList{"Upgrade FAIL!"});
        const QByteArrayList wire = sim_record();
        QCOMPARE(wire.mid(wire.size() - 2), (QByteArrayList{fixed("REBOOT"), "SN?"}));
        QVERIFY(!wire.contains("SYSTem:DEVice:PIDUG <6 bytes>"));
    }

    void refused_images_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("verdict");
        const QByteArray valid = make_image(700, {{section_application, pattern(5000)}});
        QByteArray corrupted = valid;
        corrupted[60] = char(corrupted[60] ^ 0x40);
        QTest::newRow("corrupted header") << corrupted << int(image_bad_signature);
        QTest::newRow("number not accepted")
            << make_image(701, {{section_application, pattern(5000)}}) << int(image_not_accepted);
        QTest::newRow("truncated") << valid.left(valid.size() - 1) << int(image_data_past_end);
    }

    // Begin sends nothing and starts nothing; the dialog says why.
    void refused_images() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, verdict);
        const int before = sim_record().size();
        ui_upgrade_dialog_t dialog(nullptr);
        browse(dialog, image("refused.ADS", bytes));
        button(dialog, "Begin")->click();
        QCOMPARE(drv_unit_instance().link_state(), link_connected);
        QCOMPARE(dialog.findChild<ui_label_t*>()->text(),
                 image_verdict_text(image_verdict_t(verdict)));
        QCOMPARE(sim_record().size(), before + 1);  // the query of the dialog's constructor
    }

    // Chosen on the bar, the unit restarts and never comes back: the run fails
    // once, the bar and the link state say disconnected, and the unit
    // attached all along takes nothing.
    void unit_that_never_comes_back() {
        message_box_catcher_t boxes;
        MainWindow window(nullptr);
        ui_usb_widget_t& bar = *window.findChild<ui_usb_widget_t*>();
        bar.device_rescan_slot();
        const int other_before = sim_record_of(serial).size();
        bar.findChild<ui_combo_box_t*>()->setCurrentIndex(1);
        const QList<QRadioButton*> buttons =
            window.findChild<ui_2port_widget_item_t*>()->findChildren<QRadioButton*>();
        QVERIFY(buttons.at(0)->isChecked());
        const auto bar_shows = [&bar](const QString& text) {
            for (auto* label : bar.findChildren<ui_label_t*>()) {
                if (label->text() == text) {
                    return true;
                }
            }
            return false;
        };
        QVERIFY(bar_shows("KVT0402Q-AWAY"));

        ui_upgrade_dialog_t dialog(nullptr);
        browse(dialog, good);
        QSignalSpy status(window.statusBar(), &QStatusBar::messageChanged);
        button(dialog, "Begin")->click();
        QTRY_COMPARE_WITH_TIMEOUT(drv_unit_instance().link_state(), link_disconnected,
                                  run_limit_ms);
        QCOMPARE(boxes.texts, QStringList{"Upgrade FAIL!"});
        QVERIFY(bar_shows("KVT is disconnected!"));
        // A unit that is gone shows no positions.
        for (const QRadioButton* position : buttons) {
            QVERIFY(!position->isChecked());
        }
        QCOMPARE(status.first().first().toString(),
                 QString("Unit %1 was lost").arg(QString(unit_resource("AWAY"))));
        QCOMPARE(visa_session(), ViSession(0));
        QCOMPARE(dialog.findChild<ui_label_t*>()->text(),
                 QString(unit_resource("AWAY") + " did not come back after its restart."));
        QCOMPARE(sim_record_of(serial).size(), other_before);
    }

    // Two units behind one resource text cannot be told apart: the bar
    // offers neither, and says why.
    void units_sharing_a_resource_are_offered_by_neither() {
        message_box_catcher_t boxes;
        ui_usb_widget_t bar(nullptr);
        QSignalSpy status(&bar, &ui_usb_widget_t::sendShowMsg);
        bar.device_rescan_slot();
        auto* combo = bar.findChild<ui_combo_box_t*>();
        QCOMPARE(combo->itemText(0), QString(unit_resource(serial)));
        QCOMPARE(combo->findText(unit_resource("TWIN")), -1);
        QCOMPARE(status.last().first().toString(),
                 QString("2 units answer to %1: neither is used, as nothing tells them apart")
                     .arg(QString(unit_resource("TWIN"))));
    }

    void cancelled_choice_keeps_the_field_and_begins_nothing() {
        ui_upgrade_dialog_t dialog(nullptr);
        browse(dialog, good);
        browse(dialog, QString());
        QCOMPARE(dialog.findChild<QLineEdit*>()->text(), good);
        const int before = sim_record().size();
        button(dialog, "Begin")->click();
        QCOMPARE(drv_unit_instance().link_state(), link_connected);
        QCOMPARE(sim_record().size(), before);
    }
};

QTEST_MAIN(test_upgrade_dialog)
#include "test_upgrade_dialog.moc"
