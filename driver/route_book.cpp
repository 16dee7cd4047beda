#include "driver/route_book.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

#include "driver/json_keys.h"
#include "driver/switch_model.h"
#include "driver/unit_identity.h"

namespace {

// Far beyond a rack's routes; keeps a wrong path from being read whole.
constexpr qint64 longest_file = 1024 * 1024;

// A value as the file spells it.
QString value_text(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Reads and checks a file; the first error found stops it, its place given.
class route_reader_t {
public:
    explicit route_reader_t(route_book_t& book) : book(book) {}

    QString read(const QJsonObject& root) {
        for (auto it = root.begin(); it != root.end() && error.isEmpty(); ++it) {
            if (it.key() == QLatin1String("routes")) {
                read_routes(it.value());
            } else if (it.key() == QLatin1String("exclusions")) {
                read_exclusions(it.value());
            } else {
                fail(it.key(),
                     QStringLiteral("unknown key (the file holds routes and exclusions)"));
            }
        }
        return error;
    }

private:
    void fail(const QString& place, const QString& what) {
        if (error.isEmpty()) {
            error = place + QStringLiteral(": ") + what;
        }
    }

    void read_routes(const QJsonValue& value) {
        if (!value.isObject()) {
            return fail(QStringLiteral("routes"), QStringLiteral("is not an object of routes"));
        }
        const QJsonObject routes = value.toObject();
        for (auto it = routes.begin(); it != routes.end() && error.isEmpty(); ++it) {
            const QString place = json_place(QStringLiteral("routes"), it.key());
            const QString refused = route_name_refusal(it.key());
            if (!refused.isEmpty()) {
                return fail(place, refused);
            }
            route_t route{it.key(), {}};
            read_units(place, it.value(), route);
            book.routes.append(route);
        }
    }

    void read_units(const QString& place, const QJsonValue& value, route_t& route) {
        if (!value.isObject() || value.toObject().isEmpty()) {
            return fail(place, QStringLiteral("is not an object of units and their switches"));
        }
        const QJsonObject units = value.toObject();
        for (auto it = units.begin(); it != units.end() && error.isEmpty(); ++it) {
            const QString unit_place = json_place(place, it.key());
            const QString refused = serial_name_refusal(it.key().toUtf8());
            if (!refused.isEmpty()) {
                return fail(unit_place, QStringLiteral("names no unit: it %1").arg(refused));
            }
            if (!it.value().isObject() || it.value().toObject().isEmpty()) {
                return fail(unit_place,
                            QStringLiteral("is not an object of switches and positions"));
            }
            const QJsonObject switches = it.value().toObject();
            for (auto sw = switches.begin(); sw != switches.end() && error.isEmpty(); ++sw) {
                read_setting(json_place(unit_place, sw.key()), it.key(), sw.key(), sw.value(),
                             route);
            }
        }
    }

    void read_setting(const QString& place, const QString& unit, const QString& letter,
                      const QJsonValue& value, route_t& route) {
        const char sw = letter.size() == 1 ? letter.at(0).toLatin1() : '\0';
        bool known_switch = false;
        bool known_position = false;
        const double number = value.toDouble(-1);
        const bool whole =
            value.isDouble() && std::floor(number) == number && number >= 0 && number <= 99;
        for (const switch_model_t* model : all_models) {
            known_switch = known_switch || model->has_switch(sw);
            known_position = known_position ||
                             (model->has_switch(sw) && whole && model->has_position(int(number)));
        }
        if (!known_switch) {
            return fail(place, QStringLiteral("no model has switch %1").arg(letter));
        }
        if (!known_position) {
            return fail(place, QStringLiteral("no model has position %1 on switch %2")
                                   .arg(value_text(value), letter));
        }
        route.settings.append({unit, sw, int(number)});
    }

    void read_exclusions(const QJsonValue& value) {
        const QString place = QStringLiteral("exclusions");
        if (!value.isArray()) {
            return fail(place, QStringLiteral("is not an array of groups of routes"));
        }
        const QJsonArray groups = value.toArray();
        for (int g = 0; g < groups.size() && error.isEmpty(); ++g) {
            const QString group_place = json_place(place, g);
            const QJsonArray names = groups.at(g).toArray();
            if (!groups.at(g).isArray() || names.size() < 2) {
                return fail(group_place, QStringLiteral("is not an array of two or more routes"));
            }
            QStringList group;
            for (int n = 0; n < names.size(); ++n) {
                const QString name = names.at(n).toString();
                if (!names.at(n).isString() || group.contains(name)) {
                    return fail(json_place(group_place, n),
                                QStringLiteral("is not another route's name"));
                }
                group.append(name);
            }
            book.exclusions.append(group);
            exclusion_places.append(group_place);
        }
    }

public:
    // Exclusions are checked once every route is known, wherever they stand in the file.
    QString check_exclusions() const {
        for (int g = 0; g < book.exclusions.size(); ++g) {
            for (int n = 0; n < book.exclusions[g].size(); ++n) {
                if (book.find(book.exclusions[g][n]) == nullptr) {
                    return QStringLiteral("%1: no route %2")
                        .arg(json_place(exclusion_places[g], n), book.exclusions[g][n]);
                }
            }
        }
        return {};
    }

private:
    route_book_t& book;
    QStringList exclusion_places;
    QString error;
};

QString line_and_column(const QByteArray& text, int offset) {
    const QByteArray before = text.left(offset);
    const int line = int(before.count('\n')) + 1;
    const int column = offset - int(before.lastIndexOf('\n'));
    return QStringLiteral("line %1, column %2 (byte %3)").arg(line).arg(column).arg(offset);
}

}  // namespace

const route_t* route_book_t::find(const QString& name) const {
    for (const route_t& route : routes) {
        if (route.name == name) {
            return &route;
        }
    }
    return nullptr;
}

QStringList route_book_t::excluded_by(const QString& name) const {
    QStringList excluded;
    for (const QStringList& group : exclusions) {
        if (!group.contains(name)) {
            continue;
        }
        for (const QString& other : group) {
            if (other != name && !excluded.contains(other)) {
                excluded.append(other);
            }
        }
    }
    return excluded;
}

QString default_routes_path() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/quillon/routes.json");
}

bool load_routes(const QString& path, route_book_t& book, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray text = file.read(longest_file + 1);
    if (text.size() > longest_file) {
        error = QStringLiteral("%1: longer than %2 bytes").arg(path).arg(longest_file);
        return false;
    }
    // Before the parser, which keeps one of the two values (Qt 5.15 loses the other).
    const QString repeated = repeated_json_key(text);
    if (!repeated.isEmpty()) {
        error = QStringLiteral("%1: %2: given twice").arg(path, repeated);
        return false;
    }
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        error = QStringLiteral("%1: %2: %3")
                    .arg(path, line_and_column(text, parsed.offset), parsed.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("%1: is not a JSON object of routes and exclusions").arg(path);
        return false;
    }
    route_book_t read;
    route_reader_t reader(read);
    QString found = reader.read(document.object());
    if (found.isEmpty()) {
        found = reader.check_exclusions();
    }
    if (!found.isEmpty()) {
        error = path + QStringLiteral(": ") + found;
        return false;
    }
    book = read;
    return true;
}

bool save_routes(const QString& path, const route_book_t& book, QString& error) {
    QJsonObject routes;
    for (const route_t& route : book.routes) {
        QJsonObject units;
        for (const route_setting_t& setting : route.settings) {
            QJsonObject switches = units.value(setting.unit).toObject();
            switches.insert(QString(QLatin1Char(setting.sw)), setting.position);
            units.insert(setting.unit, switches);
        }
        routes.insert(route.name, units);
    }
    QJsonArray exclusions;
    for (const QStringList& group : book.exclusions) {
        exclusions.append(QJsonArray::fromStringList(group));
    }
    const QByteArray text = QJsonDocument(QJsonObject{{QStringLiteral("routes"), routes},
                                                      {QStringLiteral("exclusions"), exclusions}})
                                .toJson();
    QSaveFile out(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !out.open(QIODevice::WriteOnly) ||
        out.write(text) != text.size() || !out.commit()) {
        error = QStringLiteral("%1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}

QString route_name_refusal(const QString& name) {
    // Non-ASCII letters would pass toLatin1 as '?', which no name holds.
    if (is_name(name.toLatin1())) {
        return {};
    }
    return QStringLiteral(
        "is no route name: 1 to 64 letters, digits, '-', '_' and '.', beginning with a letter or "
        "a digit");
}

QString setting_refusal(const route_setting_t& setting, const switch_model_t& model) {
    if (!model.has_switch(setting.sw)) {
        return QStringLiteral("%1 is a %2, which has no switch %3")
            .arg(setting.unit, QLatin1String(model.name), QString(QLatin1Char(setting.sw)));
    }
    if (!model.has_position(setting.position)) {
        return QStringLiteral("%1 is a %2, whose switch %3 has no position %4 (%5 to %6)")
            .arg(setting.unit, QLatin1String(model.name), QString(QLatin1Char(setting.sw)))
            .arg(setting.position)
            .arg(model.first_position)
            .arg(model.last_position);
    }
    return {};
}

QString routes_conflict(const route_book_t& book, const QVector<const route_t*>& routes) {
    for (int i = 0; i < routes.size(); ++i) {
        for (int j = i + 1; j < routes.size(); ++j) {
            if (book.excluded_by(routes[i]->name).contains(routes[j]->name)) {
                return QStringLiteral("routes %1 and %2 exclude each other")
                    .arg(routes[i]->name, routes[j]->name);
            }
            for (const route_setting_t& a : routes[i]->settings) {
                for (const route_setting_t& b : routes[j]->settings) {
                    if (a.unit == b.unit && a.sw == b.sw && a.position != b.position) {
                        return QStringLiteral("routes %1 and %2 set %3 switch %4 to %5 and %6")
                            .arg(routes[i]->name, routes[j]->name, a.unit,
                                 QString(QLatin1Char(a.sw)))
                            .arg(a.position)
                            .arg(b.position);
                    }
                }
            }
        }
    }
    return {};
}

bool route_stands(const route_t& route, const route_positions_t& positions) {
    for (const route_setting_t& setting : route.settings) {
        const auto unit = positions.find(setting.unit);
        if (unit == positions.end() || unit->value(setting.sw, -1) != setting.position) {
            return false;
        }
    }
    return true;
}

QString exclusion_refusal(const route_book_t& book, const route_t& route,
                          const route_positions_t& positions) {
    for (const QString& other : book.excluded_by(route.name)) {
        const route_t* excluding = book.find(other);
        if (excluding != nullptr && route_stands(*excluding, positions)) {
            return QStringLiteral("route %1 is refused: route %2, which excludes it, stands")
                .arg(route.name, other);
        }
    }
    return {};
}
