#include "app/help_viewer.h"

#include <QProcess>
#include <QStringList>

namespace {

const char* const help_file = "help/open-source_software_acknowledgment.chm";

#ifdef Q_OS_WIN
const char* const help_program = "hh.exe";
#else
// No HTML Help viewer here; the desktop opens the file with whatever reads it.
const char* const help_program = "xdg-open";
#endif

QProcess& help_process() {
    // Outlives every about dialog; left to the process end like the other shared objects.
    static QProcess* process = new QProcess;
    return *process;
}

}  // namespace

void open_acknowledgment_help() {
    QProcess& process = help_process();
    if (process.state() != QProcess::NotRunning) {
        return;
    }
    process.start(help_program, QStringList{help_file}, QIODevice::ReadWrite);
}
