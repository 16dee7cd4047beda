#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QSvgRenderer>
#include <QtTest>

#include "widget/ui_combo_box.h"
#include "widget/ui_label.h"
#include "widget/ui_line_edit.h"
#include "widget/ui_push_button.h"
#include "widget/ui_radio_button.h"
#include "widget/ui_tool_button.h"

namespace {

QString read_sheet() {
    QFile file(":/ui.qss");
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

QStringList warnings;

void record_warning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        warnings << message;
    }
}

QRect indicator_rect(QRadioButton& radio) {
    QStyleOptionButton option;
    option.initFrom(&radio);
    return radio.style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, &radio);
}

QColor indicator_centre(QRadioButton& radio) {
    radio.resize(radio.sizeHint());
    return radio.grab().toImage().pixelColor(indicator_rect(radio).center());
}

}  // namespace

class test_style_sheet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        const QString sheet = read_sheet();
        QVERIFY(!sheet.isEmpty());
        const QtMessageHandler previous = qInstallMessageHandler(record_warning);
        qApp->setStyleSheet(sheet);
        QApplication::setStyle("Fusion");
        // The sheet is parsed when the first widget is polished.
        QWidget window;
        new ui_combo_box_t(&window);
        new QRadioButton("radio", &window);
        new QLineEdit(&window);
        window.ensurePolished();
        for (QWidget* child : window.findChildren<QWidget*>()) {
            child->ensurePolished();
        }
        qInstallMessageHandler(previous);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    }

    // The program reads the sheet as UTF-8 up to its first zero byte: a rule
    // past one, or a name in another encoding, would be lost without a warning.
    void sheet_reaches_the_program_whole() {
        QFile file(":/ui.qss");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.contains('\0'));
        QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
    }

    void every_radio_indicator_is_40_pixels_square() {
        QRadioButton plain("plain");
        ui_radio_button_t kit("kit", nullptr);
        for (QRadioButton* radio : {&plain, static_cast<QRadioButton*>(&kit)}) {
            radio->ensurePolished();
            QCOMPARE(indicator_rect(*radio).size(), QSize(40, 40));
            QStyleOptionButton option;
            option.initFrom(radio);
            QCOMPARE(
                radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &option, radio),
                40);
            QCOMPARE(
                radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, radio),
                40);
        }
    }

    void checked_radio_indicator_shows_the_blue_disc() {
        QRadioButton radio("radio");
        const QColor unchecked = indicator_centre(radio);
        radio.setChecked(true);
        const QColor checked = indicator_centre(radio);
        QVERIFY2(checked.blue() > checked.red() + 100, qPrintable(checked.name()));
        QVERIFY(unchecked != checked);
        QVERIFY(qAbs(unchecked.blue() - unchecked.red()) < 40);
    }

    void combo_box_text_colours_and_font() {
        ui_combo_box_t combo(nullptr);
        combo.ensurePolished();
        QCOMPARE(combo.palette().color(QPalette::Disabled, QPalette::ButtonText),
                 QColor("#555558"));
        QCOMPARE(combo.palette().color(QPalette::Disabled, QPalette::Text), QColor("#555558"));
        QCOMPARE(combo.palette().color(QPalette::Active, QPalette::ButtonText),
                 QColor(254, 254, 254));
        QCOMPARE(combo.font().pixelSize(), 14);
        combo.setEnabled(false);
        QCOMPARE(combo.palette().color(QPalette::ButtonText), QColor("#555558"));
    }

    void widgets_get_16_pixel_near_white_text() {
        ui_label_t label("label", nullptr);
        ui_line_edit_t edit(nullptr);
        for (QWidget* widget : {static_cast<QWidget*>(&label), static_cast<QWidget*>(&edit)}) {
            widget->ensurePolished();
            QCOMPARE(widget->font().pixelSize(), 16);
        }
        QCOMPARE(label.palette().color(QPalette::Active, QPalette::WindowText),
                 QColor(254, 254, 254));
    }

    void kit_push_button_differs_from_plain_only_in_its_states() {
        QPushButton plain("Rescan");
        ui_push_button_t kit("Rescan", nullptr);
        plain.setFixedSize(90, 28);
        kit.setFixedSize(90, 28);
        QCOMPARE(kit.grab().toImage(), plain.grab().toImage());
        plain.setEnabled(false);
        kit.setEnabled(false);
        QVERIFY(kit.grab().toImage() != plain.grab().toImage());
    }

    void label_font_fitting_holds_against_the_sheet() {
        QWidget window;
        window.resize(400, 60);
        auto* label = new ui_label_t("A text that needs a smaller font", &window);
        label->setGeometry(0, 0, 120, 28);
        label->set_auto_fit(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(label->font().pixelSize() < 13);
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= 120);
    }

    void every_referenced_resource_exists() {
        const QRegularExpression url(R"(url\(([^)]+)\))");
        QStringList references;
        auto match = url.globalMatch(read_sheet());
        while (match.hasNext()) {
            references << match.next().captured(1).trimmed();
        }
        QCOMPARE(references.size(), 11);
        for (const QString& reference : references) {
            QVERIFY2(reference.startsWith(":/"), qPrintable(reference));
            QVERIFY2(QFile::exists(reference), qPrintable(reference));
        }
    }

    void every_widget_image_is_valid_svg() {
        const QMap<QString, QSize> boxes = {{"combo_box", QSize(12, 12)},
                                            {"radio_button", QSize(20, 20)},
                                            {"line_edit", QSize(16, 16)}};
        int count = 0;
        QDirIterator it(":/image/widget", {"*.svg"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QSvgRenderer renderer(path);
            QVERIFY2(renderer.isValid(), qPrintable(path));
            QCOMPARE(renderer.viewBox().size(), boxes.value(it.fileInfo().dir().dirName()));
            ++count;
        }
        QCOMPARE(count, 13);
    }
};

QTEST_MAIN(test_style_sheet)
#include "test_style_sheet.moc"
