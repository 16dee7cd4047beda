#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QTimer>

class lan_units_t;
class web_connection_t;

// Event streams a host may hold open at once.
constexpr int web_streams_per_host = 4;

// The open event streams, and what they are told: each position change and
// each unit found or lost.
class web_events_t : public QObject {
public:
    explicit web_events_t(lan_units_t& units);

    // False when the host holds its share of streams already.
    bool add(web_connection_t& stream);
    void remove(web_connection_t* stream);
    void publish(const QByteArray& type, const QJsonObject& data);

private:
    void look_at_units();

    lan_units_t& units;
    QList<web_connection_t*> streams;
    QHash<QHostAddress, int> per_host;
    QList<QByteArray> known;
    QTimer watch;
};
