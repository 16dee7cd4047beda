#pragma once

#include <QByteArrayList>
#include <map>
#include <memory>

#include "driver/visa_types.h"
#include "sim/visa/visa_lan_link.h"
#include "sim/visa/visa_output.h"

enum class visa_kind_t { resource_manager, find_list, instrument };

// One open VISA object of the stand-in.
struct visa_object_t {
    visa_kind_t kind = visa_kind_t::resource_manager;
    // The resource manager it was opened through; 0 for a resource manager.
    ViSession owner = 0;
    // Instrument sessions: index into the stand-in's instruments, or -1 for
    // a network instrument, reached through lan under the name lan_resource.
    int instrument = -1;
    std::shared_ptr<visa_lan_link_t> lan;
    QByteArray lan_resource;
    ViUInt32 timeout_ms = 0;
    ViByte termchar = '\n';
    bool termchar_enabled = false;
    bool send_end = true;
    // Instrument sessions: how often it holds the instrument's exclusive lock.
    ViUInt32 lock_depth = 0;
    // Instrument sessions: the answers to this session's own commands.
    visa_output_t output;
    // Find lists: the texts still to hand out.
    QByteArrayList found;
};

// The open objects by their identifier; identifiers are never 0 and never reused.
class visa_sessions_t {
public:
    ViSession add(const visa_object_t& object);
    // nullptr unless the identifier names an open object (of that kind).
    visa_object_t* find(ViSession id);
    visa_object_t* find(ViSession id, visa_kind_t kind);
    // Closing a resource manager closes everything opened through it.
    void close(ViSession id);
    // True while another session holds the lock of this instrument session's instrument.
    bool locked_out(ViSession id);
    // Drops what the instrument at this index had not yet sent to any session.
    void drop_output_of(int instrument);

private:
    std::map<ViSession, visa_object_t> objects;
    ViSession next_id = 1;
};
