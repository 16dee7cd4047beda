#pragma once

#include <QStringList>

class QProcess;

// The programs a benchmark starts beside itself: kvt-sim and kvt-lan.

// The first count lines the process prints, simplified; fewer when it has not
// printed them within its start time.
QStringList first_lines(QProcess& process, int count);

// The port of each of kvt-sim's unit lines (model, serial number, port).
QStringList sim_ports(const QStringList& lines);

// Asks the process to end, then ends it.
void stop_process(QProcess& process);
