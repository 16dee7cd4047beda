#include "app/help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace {

#ifdef Q_OS_WIN
const char* const help_file = "help/open-source_software_acknowledgment.chm";
const char* const default_viewer = "hh.exe";
#else
// No HTML Help here: the same document as HTML, opened by the desktop.
const char* const help_file = "help/open-source_software_acknowledgment.html";
const char* const default_viewer = "xdg-open";
#endif

QString& viewer_program() {
    static QString program = QString::fromLatin1(default_viewer);
    return program;
}

QProcess& help_process() {
    // Outlives every about dialog; left to the process end like the other shared objects.
    static QProcess* process = [] {
        auto* created = new QProcess;
        // Nothing reads the viewer's output; forwarded, it cannot pile up here.
        created->setProcessChannelMode(QProcess::ForwardedChannels);
        return created;
    }();
    return *process;
}

}  // namespace

QString acknowledgment_document(const QString& working_dir, const QString& program_dir) {
    // The data folder's place relative to the program is fixed by the install layout.
    const QStringList folders = {working_dir,
                                 QDir(program_dir).filePath(QUILLON_DATA_FROM_PROGRAM)};
    for (const QString& folder : folders) {
        const QFileInfo document(QDir(folder), QString::fromLatin1(help_file));
        if (document.isFile()) {
            return QDir::cleanPath(document.absoluteFilePath());
        }
    }
    return QString();
}

help_open_t open_acknowledgment_help() {
    QProcess& process = help_process();
    if (process.state() != QProcess::NotRunning) {
        return help_open_t::already_running;
    }
    const QString document =
        acknowledgment_document(QDir::currentPath(), QCoreApplication::applicationDirPath());
    if (document.isEmpty()) {
        return help_open_t::no_document;
    }
    if (QStandardPaths::findExecutable(viewer_program()).isEmpty()) {
        return help_open_t::no_viewer;
    }
    process.start(viewer_program(), QStringList{document}, QIODevice::ReadWrite);
    return help_open_t::started;
}

void set_help_viewer_program(const QString& program) {
    viewer_program() = program;
}
