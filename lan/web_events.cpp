#include "lan/web_events.h"

#include <QJsonDocument>

#include "lan/lan_host.h"
#include "lan/lan_units.h"
#include "lan/web_connection.h"

namespace {

// How often the names served are looked at; no unit is asked anything.
constexpr int watch_ms = 500;

}  // namespace

web_events_t::web_events_t(lan_units_t& units) : units(units), known(units.names()) {
    units.on_switch = [this](const QByteArray& name, const lan_switch_news_t& news) {
        if (news.moved()) {
            publish("position", {{QStringLiteral("name"), QString::fromLatin1(name)},
                                 {QStringLiteral("switch"), QString(QLatin1Char(news.sw))},
                                 {QStringLiteral("position"), news.to}});
        }
    };
    units.on_comeback = [this](const QByteArray& name) {
        publish("unit", {{QStringLiteral("name"), QString::fromLatin1(name)},
                         {QStringLiteral("state"), QStringLiteral("restarted")}});
    };
    connect(&watch, &QTimer::timeout, this, &web_events_t::look_at_units);
    watch.start(watch_ms);
}

bool web_events_t::add(web_connection_t& stream) {
    int& held = per_host[lan_host_of(stream.peer())];
    if (held >= web_streams_per_host) {
        return false;
    }
    ++held;
    streams.append(&stream);
    return true;
}

void web_events_t::remove(web_connection_t* stream) {
    if (!streams.removeOne(stream)) {
        return;
    }
    const QHostAddress host = lan_host_of(stream->peer());
    if (--per_host[host] <= 0) {
        per_host.remove(host);
    }
}

void web_events_t::publish(const QByteArray& type, const QJsonObject& data) {
    const QByteArray event =
        "event: " + type + "\ndata: " + QJsonDocument(data).toJson(QJsonDocument::Compact) + "\n\n";
    // A stream dropped while sending leaves the list.
    const QList<web_connection_t*> now = streams;
    for (web_connection_t* stream : now) {
        if (streams.contains(stream)) {
            stream->send_event(event);
        }
    }
}

void web_events_t::look_at_units() {
    const QList<QByteArray> names = units.names();
    for (const QByteArray& name : names) {
        if (!known.contains(name)) {
            publish("unit", {{QStringLiteral("name"), QString::fromLatin1(name)},
                             {QStringLiteral("state"), QStringLiteral("found")}});
        }
    }
    for (const QByteArray& name : qAsConst(known)) {
        if (!names.contains(name)) {
            publish("unit", {{QStringLiteral("name"), QString::fromLatin1(name)},
                             {QStringLiteral("state"), QStringLiteral("lost")}});
        }
    }
    known = names;
}
