#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QImageReader>
#include <QRawFont>
#include <QtTest>

class test_app_resources : public QObject {
    Q_OBJECT
private slots:
    void logo_icon_holds_four_sizes() {
        QImageReader reader(":/image/norvane.ico");
        QCOMPARE(reader.imageCount(), 4);
        const QIcon icon(":/image/norvane.ico");
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (const QSize& size : {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(256, 256)}) {
            QVERIFY2(sizes.contains(size), qPrintable(QString::number(size.width())));
        }
        const QImage image = icon.pixmap(32, 32).toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    }

    void application_font_registers_with_its_family() {
        QVERIFY(QFile(":/front/SourceHanSansCN-Bold.otf").size() < 100 * 1024);
        const int id = QFontDatabase::addApplicationFont(":/front/SourceHanSansCN-Bold.otf");
        QVERIFY(id >= 0);
        QCOMPARE(QFontDatabase::applicationFontFamilies(id), QStringList{"Noto Sans CJK SC"});
    }

    void application_font_covers_latin_text() {
        QFile file(":/front/SourceHanSansCN-Bold.otf");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QRawFont raw(file.readAll(), 16);
        QVERIFY(raw.isValid());
        QString needed = QString::fromUtf8("\u2026\u2013\u00d7\u00b0");
        for (ushort code = 0x20; code < 0x7f; ++code) {
            needed += QChar(code);
        }
        for (const QChar ch : needed) {
            QVERIFY2(raw.supportsCharacter(ch), qPrintable(QString(ch)));
        }
    }
};

QTEST_MAIN(test_app_resources)
#include "test_app_resources.moc"
