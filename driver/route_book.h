#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

struct switch_model_t;

// One switch of a route: a unit by its name (unit_identity.h), a switch and
// a position as the front panel numbers them.
struct route_setting_t {
    QString unit;
    char sw = '\0';
    int position = 0;
};

struct route_t {
    QString name;
    QVector<route_setting_t> settings;
};

// A rack's routes and the groups of routes that must never stand together.
struct route_book_t {
    QVector<route_t> routes;
    QVector<QStringList> exclusions;

    // Null when there is no route of this name.
    const route_t* find(const QString& name) const;
    // The routes that must not stand while this one does.
    QStringList excluded_by(const QString& name) const;
};

// $XDG_CONFIG_HOME/quillon/routes.json, or ~/.config/quillon/routes.json.
QString default_routes_path();

// Reads and checks the whole file: JSON, names, and that each switch letter
// and position exists in at least one model (the unit's own model is checked
// when it is found). False with the first error, its place in the file
// given, e.g. "routes.json: routes.ant1-to-sa.R1.E: no model has switch E".
bool load_routes(const QString& path, route_book_t& book, QString& error);

// Writes the book whole, or nothing.
bool save_routes(const QString& path, const route_book_t& book, QString& error);

// Why the route name may not name a route; empty when it may.
QString route_name_refusal(const QString& name);

// Why the setting does not fit the model of the unit it names; empty when it does.
QString setting_refusal(const route_setting_t& setting, const switch_model_t& model);

// Where each switch of each unit stands, by unit name; a unit not read is
// not there.
using route_positions_t = QMap<QString, QMap<char, int>>;

// True when every switch the route sets stands at its position.
bool route_stands(const route_t& route, const route_positions_t& positions);

// Why the route may not be applied now: a route that excludes it stands.
// Empty when none does.
QString exclusion_refusal(const route_book_t& book, const route_t& route,
                          const route_positions_t& positions);

// Why these routes cannot stand together (a switch they set differently, or
// an exclusion between them); empty when they can.
QString routes_conflict(const route_book_t& book, const QVector<const route_t*>& routes);
