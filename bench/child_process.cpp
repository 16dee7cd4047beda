#include "bench/child_process.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace {

// Far longer than the programs take to start under the sanitizers.
constexpr int start_timeout_ms = 15000;

}  // namespace

QStringList first_lines(QProcess& process, int count) {
    const QDeadlineTimer deadline(start_timeout_ms);
    QStringList lines;
    // A negative wait would never end: the loop stops at the deadline instead.
    while (lines.size() < count && !deadline.hasExpired()) {
        if (!process.canReadLine() && !process.waitForReadyRead(int(deadline.remainingTime()))) {
            break;
        }
        while (process.canReadLine() && lines.size() < count) {
            lines << QString::fromLocal8Bit(process.readLine()).simplified();
        }
    }
    return lines;
}

QStringList sim_ports(const QStringList& lines) {
    QStringList ports;
    for (const QString& line : lines) {
        ports << line.section(' ', 2, 2);
    }
    return ports;
}

void stop_process(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(start_timeout_ms)) {
        process.kill();
        process.waitForFinished(start_timeout_ms);
    }
}
