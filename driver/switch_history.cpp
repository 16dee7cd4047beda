#include "driver/switch_history.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThreadStorage>
#include <QVariant>
#include <atomic>

namespace {

// How long a write waits for another program's transaction to end.
constexpr int busy_timeout_ms = 2000;

const char* const schema[] = {
    "CREATE TABLE IF NOT EXISTS switching ("
    " time INTEGER NOT NULL, serial_number BLOB NOT NULL, model BLOB NOT NULL,"
    " switch TEXT NOT NULL, from_position INTEGER, to_position INTEGER NOT NULL,"
    " reply BLOB NOT NULL, source TEXT NOT NULL, route TEXT, protocol TEXT, client TEXT)",
    "CREATE INDEX IF NOT EXISTS switching_by_time ON switching (time)",
    "CREATE INDEX IF NOT EXISTS switching_by_unit ON switching (serial_number, time)",
    // Moves of pruned records, so that wear outlives them.
    "CREATE TABLE IF NOT EXISTS carried_wear (serial_number BLOB NOT NULL, switch TEXT NOT NULL,"
    " count INTEGER NOT NULL, PRIMARY KEY (serial_number, switch))",
    "PRAGMA user_version = 1",
};

// A move is a record whose start was read and differs from its end.
const char moved[] = "from_position IS NOT NULL AND from_position <> to_position";

// A null QByteArray would be bound as SQL NULL; an empty text is still a text.
QVariant bytes(const QByteArray& text) {
    return QVariant(text.isNull() ? QByteArray("") : text);
}

QVariant text_or_null(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

char switch_letter(const QVariant& column) {
    const QByteArray letter = column.toString().toLatin1();
    return letter.size() == 1 ? letter.front() : '\0';
}

history_status_t failure(history_status_t::kind_t kind, const QString& what) {
    return {kind, QStringLiteral("%1: %2").arg(switch_history_path(), what)};
}

// The calling thread's connection: Qt SQL connections belong to the thread
// that opened them. It stays open while the history's path stays the same,
// so a record costs its insert, and closes when the thread ends.
class history_db_t {
public:
    // Qt ends it with the thread's own data, while Qt calls still work there,
    // and the main thread's with the application object.
    static history_db_t& of_this_thread() {
        static QThreadStorage<history_db_t*> connections;
        if (!connections.hasLocalData()) {
            connections.setLocalData(new history_db_t);
        }
        return *connections.localData();
    }
    ~history_db_t() { close(); }
    history_db_t(const history_db_t&) = delete;
    history_db_t& operator=(const history_db_t&) = delete;

    history_status_t open() {
        const QString path = switch_history_path();
        // A file removed meanwhile is made anew, not written unseen.
        if (path == opened_path && QFileInfo::exists(path)) {
            return {};
        }
        close();
        if (!QDir().mkpath(QFileInfo(path).path())) {
            return failure(history_status_t::folder, QStringLiteral("cannot make its folder"));
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busy_timeout_ms));
        if (!db.open()) {
            return failure(history_status_t::open, db.lastError().text());
        }
        // NORMAL still commits each transaction whole.
        history_status_t status = run(history_status_t::open, "PRAGMA synchronous = NORMAL");
        if (status.ok()) {
            status = prepare(path);
        }
        if (status.ok()) {
            opened_path = path;
        }
        return status;
    }

    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }

    history_status_t run(history_status_t::kind_t kind, const char* statement) {
        QSqlQuery query(db());
        if (!query.exec(QString::fromLatin1(statement))) {
            return failure(kind, query.lastError().text());
        }
        return {};
    }

    history_status_t begin() { return run(history_status_t::write, "BEGIN IMMEDIATE"); }
    history_status_t commit() { return run(history_status_t::write, "COMMIT"); }
    history_status_t roll_back(const history_status_t& why) {
        run(history_status_t::write, "ROLLBACK");
        return why;
    }

private:
    // Whether the tables are made (schema version 1).
    history_status_t made(bool& yes) {
        QSqlQuery version(db());
        if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
            return failure(history_status_t::open, version.lastError().text());
        }
        yes = version.value(0).toInt() >= 1;
        // An unfinished read would hold its snapshot into the writes after it.
        version.finish();
        return {};
    }

    // The tables and WAL, which lets readers and one writer work at once, made
    // by the first program that finds none. Turning WAL on needs the file to
    // itself, so programs that meet a new file take turns at a lock file.
    history_status_t prepare(const QString& path) {
        bool ready = false;
        history_status_t status = made(ready);
        if (!status.ok() || ready) {
            return status;
        }
        QLockFile first(path + QStringLiteral(".lock"));
        if (!first.tryLock(busy_timeout_ms)) {
            return failure(history_status_t::open, QStringLiteral("its lock file stays taken"));
        }
        status = made(ready);
        if (!status.ok() || ready) {
            return status;
        }
        status = run(history_status_t::open, "PRAGMA journal_mode = WAL");
        if (status.ok()) {
            status = begin();
        }
        for (const char* statement : schema) {
            if (status.ok()) {
                status = run(history_status_t::write, statement);
            }
        }
        return status.ok() ? commit() : roll_back(status);
    }

    history_db_t() : name(QStringLiteral("quillon_history_%1").arg(next_id++)) {}

    void close() {
        opened_path.clear();
        if (QSqlDatabase::contains(name)) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }

    static std::atomic<quint64> next_id;
    const QString name;
    // Empty while closed.
    QString opened_path;
};

std::atomic<quint64> history_db_t::next_id{0};

}  // namespace

QString switch_history_path() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/quillon/history.sqlite");
}

history_status_t record_switch(const switch_record_t& record) {
    history_db_t& history = history_db_t::of_this_thread();
    history_status_t status = history.open();
    if (!status.ok()) {
        return status;
    }
    QSqlQuery insert(history.db());
    insert.prepare(QStringLiteral(
        "INSERT INTO switching (time, serial_number, model, switch, from_position, to_position,"
        " reply, source, route, protocol, client) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value :
         {QVariant(record.time_ms), bytes(record.serial_number), bytes(record.model),
          QVariant(QString(QLatin1Char(record.sw))),
          record.from < 0 ? QVariant() : QVariant(record.from), QVariant(record.to),
          bytes(record.reply), QVariant(record.source.program), text_or_null(record.source.route),
          text_or_null(record.source.protocol), text_or_null(record.source.client)}) {
        insert.addBindValue(value);
    }
    if (!insert.exec()) {
        return failure(history_status_t::write, insert.lastError().text());
    }
    return {};
}

history_status_t read_history(const QByteArray& unit, qint64 since_ms, int newest,
                              QVector<switch_record_t>& out) {
    history_db_t& history = history_db_t::of_this_thread();
    history_status_t status = history.open();
    if (!status.ok()) {
        return status;
    }
    QSqlQuery query(history.db());
    query.setForwardOnly(true);
    // The newest first, so that a bound keeps them; then oldest first.
    query.prepare(
        QStringLiteral("SELECT * FROM (SELECT time, serial_number, model, switch, from_position,"
                       " to_position, reply, source, route, protocol, client, rowid AS n"
                       " FROM switching WHERE time >= ?%1 ORDER BY time DESC, rowid DESC LIMIT ?)"
                       " ORDER BY time, n")
            .arg(unit.isEmpty() ? QString() : QStringLiteral(" AND serial_number = ?")));
    query.addBindValue(since_ms);
    if (!unit.isEmpty()) {
        query.addBindValue(unit);
    }
    query.addBindValue(newest);
    if (!query.exec()) {
        return failure(history_status_t::read, query.lastError().text());
    }
    QVector<switch_record_t> records;
    while (query.next()) {
        switch_record_t record;
        record.time_ms = query.value(0).toLongLong();
        record.serial_number = query.value(1).toByteArray();
        record.model = query.value(2).toByteArray();
        record.sw = switch_letter(query.value(3));
        record.from = query.value(4).isNull() ? -1 : query.value(4).toInt();
        record.to = query.value(5).toInt();
        record.reply = query.value(6).toByteArray();
        record.source = {query.value(7).toString(), query.value(8).toString(),
                         query.value(9).toString(), query.value(10).toString()};
        records.append(record);
    }
    out = records;
    return {};
}

history_status_t prune_history(qint64 before_ms, qint64& removed) {
    history_db_t& history = history_db_t::of_this_thread();
    history_status_t status = history.open();
    if (status.ok()) {
        status = history.begin();
    }
    if (!status.ok()) {
        return status;
    }
    QSqlQuery carry(history.db());
    carry.prepare(
        QStringLiteral(
            "INSERT INTO carried_wear (serial_number, switch, count)"
            " SELECT serial_number, switch, count(*) FROM switching WHERE time < ? AND %1"
            " GROUP BY serial_number, switch"
            " ON CONFLICT (serial_number, switch) DO UPDATE SET count = count + excluded.count")
            .arg(QLatin1String(moved)));
    carry.addBindValue(before_ms);
    QSqlQuery drop(history.db());
    drop.prepare(QStringLiteral("DELETE FROM switching WHERE time < ?"));
    drop.addBindValue(before_ms);
    if (!carry.exec()) {
        return history.roll_back(failure(history_status_t::write, carry.lastError().text()));
    }
    if (!drop.exec()) {
        return history.roll_back(failure(history_status_t::write, drop.lastError().text()));
    }
    removed = drop.numRowsAffected();
    return history.commit();
}

history_status_t read_wear(const QByteArray& unit, QVector<switch_wear_t>& out) {
    history_db_t& history = history_db_t::of_this_thread();
    history_status_t status = history.open();
    if (!status.ok()) {
        return status;
    }
    const QString only = unit.isEmpty() ? QString() : QStringLiteral(" AND serial_number = ?");
    QSqlQuery query(history.db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT serial_number, switch, sum(count) FROM ("
                                 " SELECT serial_number, switch, count(*) AS count FROM switching"
                                 " WHERE %1%2 GROUP BY serial_number, switch"
                                 " UNION ALL SELECT serial_number, switch, count FROM carried_wear"
                                 " WHERE true%2)"
                                 " GROUP BY serial_number, switch ORDER BY serial_number, switch")
                      .arg(QLatin1String(moved), only));
    for (int i = 0; i < 2 && !unit.isEmpty(); ++i) {
        query.addBindValue(unit);
    }
    if (!query.exec()) {
        return failure(history_status_t::read, query.lastError().text());
    }
    QVector<switch_wear_t> wear;
    while (query.next()) {
        wear.append(switch_wear_t{query.value(0).toByteArray(), switch_letter(query.value(1)),
                                  query.value(2).toLongLong()});
    }
    out = wear;
    return {};
}
