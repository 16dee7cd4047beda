#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "app/help_viewer.h"
#include "app/ui_about_dialog.h"
#include "tests/support/message_box_catcher.h"

namespace {

const char* const document_name = "help/open-source_software_acknowledgment.html";

bool write_file(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList read_lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

// Processes whose parent is this test: the viewers it started.
int child_processes() {
    int count = 0;
    const QString self = QString::number(getpid());
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status("/proc/" + pid + "/status");
        if (!status.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:") && line.mid(5).trimmed() == self.toLatin1()) {
                ++count;
            }
        }
    }
    return count;
}

QString canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

void click_acknowledgment() {
    ui_about_dialog_t about(nullptr);
    QTest::mouseClick(about.findChild<QPushButton*>("aboutAck"), Qt::LeftButton);
}

}  // namespace

class test_acknowledgment : public QObject {
    Q_OBJECT
private slots:
    void document_found_in_working_dir_or_install_tree_data() {
        QTest::addColumn<bool>("in_working_dir");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("working directory first") << true << true << "work";
        QTest::newRow("installed beside the program") << false << true << "prefix";
        QTest::newRow("nowhere") << false << false << "";
    }

    void document_found_in_working_dir_or_install_tree() {
        QFETCH(bool, in_working_dir);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QTemporaryDir scratch;
        const QString work = scratch.filePath("work");
        const QString prefix = scratch.filePath("prefix");
        QVERIFY(QDir().mkpath(work) && QDir().mkpath(prefix + "/" QUILLON_INSTALL_BINDIR));
        if (in_working_dir) {
            QVERIFY(write_file(work + "/" + document_name, "work"));
        }
        const QString installed_document =
            prefix + "/" QUILLON_INSTALL_DATADIR "/quillon/" + document_name;
        if (installed) {
            QVERIFY(write_file(installed_document, "prefix"));
        }
        const QString found = acknowledgment_document(work, prefix + "/" QUILLON_INSTALL_BINDIR);
        const QString wanted = expected == "work"     ? work + "/" + document_name
                               : expected == "prefix" ? installed_document
                                                      : QString();
        QCOMPARE(canonical(found), canonical(wanted));
    }

    void missing_document_is_reported() {
        QTemporaryDir elsewhere;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        message_box_catcher_t boxes;
        click_acknowledgment();
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(boxes.titles, QStringList{"Information"});
        QCOMPARE(boxes.texts, QStringList{"The open-source acknowledgment is not installed."});
        QCOMPARE(child_processes(), 0);
    }

    void missing_viewer_is_reported() {
        set_help_viewer_program("/nonexistent/quillon-viewer");
        message_box_catcher_t boxes;
        click_acknowledgment();
        QCOMPARE(boxes.titles, QStringList{"Information"});
        QVERIFY2(boxes.texts.value(0).contains(canonical(QUILLON_HELP_DOCUMENT)),
                 qPrintable(boxes.texts.value(0)));
        QCOMPARE(child_processes(), 0);
    }

    void a_running_viewer_is_not_started_twice() {
        QTemporaryDir scratch;
        const QString log = scratch.filePath("viewer.log");
        const QString viewer = scratch.filePath("viewer");
        // Records its arguments and stays open until the test process ends.
        QVERIFY(write_file(viewer, QString("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '%1'\n"
                                           "exec cat > /dev/null\n")
                                       .arg(log)
                                       .toUtf8()));
        QVERIFY(QFile::setPermissions(viewer, QFile::ReadOwner | QFile::ExeOwner));
        set_help_viewer_program(viewer);
        message_box_catcher_t boxes;

        click_acknowledgment();
        QTRY_COMPARE(read_lines(log).size(), 1);
        const QString opened = read_lines(log).first();
        QCOMPARE(canonical(opened), canonical(QUILLON_HELP_DOCUMENT));
        QCOMPARE(child_processes(), 1);

        click_acknowledgment();
        QCOMPARE(child_processes(), 1);
        QVERIFY(boxes.texts.isEmpty());
    }

    void document_lists_qt_and_the_font() {
        QFile file(QUILLON_HELP_DOCUMENT);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const QStringList parts = {
            "Qt Core",   "Qt GUI",   "Qt Widgets",       "Qt Serial Port",
            "Qt SVG",    "LGPL-3.0", "Noto Sans CJK SC", "SIL OPEN FONT LICENSE Version 1.1",
            "libstdc++", "glibc"};
        for (const QString& part : parts) {
            QVERIFY2(text.contains(part), qPrintable(part));
        }
        // The Qt this tree links, and where its source is.
        QVERIFY(text.contains(QStringLiteral("<h2>Qt %1</h2>").arg(QT_VERSION_STR)));
        QVERIFY(text.contains(
            QStringLiteral("archive/qt/%1.%2/").arg(QT_VERSION_MAJOR).arg(QT_VERSION_MINOR)));
    }
};

QTEST_MAIN(test_acknowledgment)
#include "test_acknowledgment.moc"
