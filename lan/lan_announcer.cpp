#include "lan/lan_announcer.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>

namespace {

constexpr quint16 rpcbind_port = 111;
// Names tried after a collision before giving up.
constexpr int most_names = 16;

}  // namespace

struct lan_announcer_t::state_t {
    lan_announcement_t announcement;
    say_t say;
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;
    bool said_absent = false;
};

namespace {

using state_t = lan_announcer_t::state_t;

QString avahi_error(AvahiClient* client) {
    return QString::fromUtf8(avahi_strerror(avahi_client_errno(client)));
}

void next_name(state_t& state) {
    char* other = avahi_alternative_service_name(state.announcement.name.constData());
    state.announcement.name = other;
    avahi_free(other);
}

int add_services(state_t& state, AvahiEntryGroup* group) {
    const lan_announcement_t& a = state.announcement;
    // -1 is Avahi's every interface too.
    const AvahiIfIndex interface = a.interface < 0 ? -1 : a.interface;
    const char* name = a.name.constData();
    int error = avahi_entry_group_add_service(group, interface, AVAHI_PROTO_INET,
                                              AvahiPublishFlags(0), name, "_vxi-11._tcp", nullptr,
                                              nullptr, rpcbind_port, nullptr);
    if (error == AVAHI_OK && a.web_port != 0) {
        AvahiStringList* text = nullptr;
        for (const QByteArray& record : a.lxi_text) {
            text = avahi_string_list_add(text, record.constData());
        }
        error = avahi_entry_group_add_service_strlst(group, interface, AVAHI_PROTO_INET,
                                                     AvahiPublishFlags(0), name, "_lxi._tcp",
                                                     nullptr, nullptr, a.web_port, text);
        avahi_string_list_free(text);
    }
    if (error == AVAHI_OK && a.web_port != 0) {
        error = avahi_entry_group_add_service(group, interface, AVAHI_PROTO_INET,
                                              AvahiPublishFlags(0), name, "_http._tcp", nullptr,
                                              nullptr, a.web_port, "path=/", nullptr);
    }
    return error == AVAHI_OK ? avahi_entry_group_commit(group) : error;
}

// Adds the services, under another name while the name collides locally.
void announce(state_t& state, AvahiEntryGroup* group) {
    for (int tries = 0; tries < most_names; ++tries) {
        const int error = add_services(state, group);
        if (error != AVAHI_ERR_COLLISION) {
            if (error != AVAHI_OK) {
                state.say(QStringLiteral("cannot announce over mDNS: %1")
                              .arg(QString::fromUtf8(avahi_strerror(error))));
            }
            return;
        }
        next_name(state);
        avahi_entry_group_reset(group);
    }
    state.say(QStringLiteral("cannot announce over mDNS: every name tried is taken"));
}

void group_changed(AvahiEntryGroup* group, AvahiEntryGroupState changed, void* data) {
    state_t& state = *static_cast<state_t*>(data);
    if (changed == AVAHI_ENTRY_GROUP_COLLISION) {
        // Another host holds the name on the network.
        next_name(state);
        avahi_entry_group_reset(group);
        announce(state, group);
    } else if (changed == AVAHI_ENTRY_GROUP_FAILURE) {
        state.say(QStringLiteral("cannot announce over mDNS: %1")
                      .arg(avahi_error(avahi_entry_group_get_client(group))));
    }
}

void client_changed(AvahiClient* client, AvahiClientState changed, void* data);

void connect_client(state_t& state) {
    int error = AVAHI_OK;
    // With NO_FAIL a missing daemon is waited for, not an error.
    state.client = avahi_client_new(avahi_threaded_poll_get(state.poll), AVAHI_CLIENT_NO_FAIL,
                                    client_changed, &state, &error);
    if (state.client == nullptr && error == AVAHI_ERR_NO_DAEMON) {
        // Not even the system bus runs: nothing will start a daemon later.
        state.said_absent = true;
        state.say(QStringLiteral("no Avahi daemon runs: not announced over mDNS"));
    } else if (state.client == nullptr) {
        state.say(QStringLiteral("cannot reach Avahi (%1); not announced over mDNS")
                      .arg(QString::fromUtf8(avahi_strerror(error))));
    }
}

void client_changed(AvahiClient* client, AvahiClientState changed, void* data) {
    state_t& state = *static_cast<state_t*>(data);
    switch (changed) {
        case AVAHI_CLIENT_S_RUNNING:
            if (state.group == nullptr) {
                state.group = avahi_entry_group_new(client, group_changed, &state);
            }
            if (state.group == nullptr) {
                state.say(QStringLiteral("cannot announce over mDNS: %1").arg(avahi_error(client)));
            } else if (avahi_entry_group_is_empty(state.group)) {
                announce(state, state.group);
            }
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host's own name is being settled: announced again once running.
            if (state.group != nullptr) {
                avahi_entry_group_reset(state.group);
            }
            break;
        case AVAHI_CLIENT_CONNECTING:
            if (!state.said_absent) {
                state.said_absent = true;
                state.say(QStringLiteral(
                    "no Avahi daemon runs: not announced over mDNS until one starts"));
            }
            break;
        case AVAHI_CLIENT_FAILURE:
            if (avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) {
                // The daemon went: its groups go with the client; wait for the next.
                state.group = nullptr;
                avahi_client_free(client);
                state.client = nullptr;
                connect_client(state);
            } else {
                state.say(QStringLiteral("cannot announce over mDNS: %1").arg(avahi_error(client)));
            }
            break;
    }
}

void start_client(AvahiTimeout* timeout, void* data) {
    state_t& state = *static_cast<state_t*>(data);
    avahi_threaded_poll_get(state.poll)->timeout_free(timeout);
    connect_client(state);
}

}  // namespace

lan_announcer_t::lan_announcer_t(lan_announcement_t announcement, say_t say)
    : state(new state_t{std::move(announcement), std::move(say)}) {
    state->poll = avahi_threaded_poll_new();
    if (state->poll == nullptr) {
        state->say(QStringLiteral("cannot start Avahi's thread; not announced over mDNS"));
        return;
    }
    // The client is made on Avahi's thread: reaching D-Bus may take a while.
    timeval now{};
    const AvahiPoll* api = avahi_threaded_poll_get(state->poll);
    if (api->timeout_new(api, avahi_elapse_time(&now, 0, 0), start_client, state.get()) ==
            nullptr ||
        avahi_threaded_poll_start(state->poll) < 0) {
        state->say(QStringLiteral("cannot start Avahi's thread; not announced over mDNS"));
        avahi_threaded_poll_free(state->poll);
        state->poll = nullptr;
    }
}

lan_announcer_t::~lan_announcer_t() {
    if (state->poll == nullptr) {
        return;
    }
    avahi_threaded_poll_stop(state->poll);
    if (state->client != nullptr) {
        avahi_client_free(state->client);
    }
    avahi_threaded_poll_free(state->poll);
}
