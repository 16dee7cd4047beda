#pragma once

// Helpers for driving upgrades against the VISA stand-in's simulated units.

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStringList>
#include <QVector>

#include "driver/visa.h"
#include "upgrade/image_writer.h"
#include "upgrade/upgrade_thread.h"

inline QByteArray unit_resource(const QByteArray& serial) {
    return "USB0::0xA5C3::0x0E21::" + serial + "::INSTR";
}

// Writes the image into dir and returns its path as files are opened.
inline QByteArray write_image(const QDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return QFile::encodeName(path);
}

// The simulated unit's percent-encoded answer to a read-back query, decoded,
// from the current session.
inline QByteArray sim_read_back(const QByteArray& query) {
    if (!visa_write(query.constData(), query.size())) {
        return "(write failed)";
    }
    QByteArray answer(1 << 20, '\0');
    const int length = visa_read(answer.data(), answer.size());
    if (length < 1) {
        return "(read failed)";
    }
    return QByteArray::fromPercentEncoding(answer.left(length - 1));
}

// Every command the unit took, as it arrived; the read-back queries left out.
inline QByteArrayList sim_record() {
    QByteArrayList entries = sim_read_back("SIM:RECord?").split(',');
    entries.removeAll("SIM:RECord?");
    return entries;
}

// A fixed command as the host writes it, with its terminating zero byte.
inline QByteArray fixed(const char* text) {
    return QByteArray(text, int(qstrlen(text)) + 1);
}

// The worker's signals in order, as text ("init 12 5", "state 12 1", "success").
class worker_signals_t {
public:
    explicit worker_signals_t(upgrade_thread_t& worker) {
        QObject::connect(
            &worker, &upgrade_thread_t::init_progress_bar, &worker,
            [this](ulong total, uint type) {
                add(QStringLiteral("init %1 %2").arg(total).arg(type));
            },
            Qt::DirectConnection);
        QObject::connect(
            &worker, &upgrade_thread_t::send_upgrade_state, &worker,
            [this](ulong progress, bool ok) {
                add(QStringLiteral("state %1 %2").arg(progress).arg(int(ok)));
            },
            Qt::DirectConnection);
        QObject::connect(
            &worker, &upgrade_thread_t::send_upgrade_success, &worker,
            [this] { add(QStringLiteral("success")); }, Qt::DirectConnection);
    }

    QStringList seen() {
        QMutexLocker lock(&mutex);
        return list;
    }

private:
    void add(const QString& entry) {
        QMutexLocker lock(&mutex);
        list.append(entry);
    }

    QMutex mutex;
    QStringList list;
};
