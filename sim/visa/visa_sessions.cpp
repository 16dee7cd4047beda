#include "sim/visa/visa_sessions.h"

ViSession visa_sessions_t::add(const visa_object_t& object) {
    const ViSession id = next_id++;
    objects.emplace(id, object);
    return id;
}

visa_object_t* visa_sessions_t::find(ViSession id) {
    const auto it = objects.find(id);
    return it == objects.end() ? nullptr : &it->second;
}

visa_object_t* visa_sessions_t::find(ViSession id, visa_kind_t kind) {
    visa_object_t* object = find(id);
    return object && object->kind == kind ? object : nullptr;
}

bool visa_sessions_t::locked_out(ViSession id) {
    const visa_object_t* session = find(id, visa_kind_t::instrument);
    for (const auto& entry : objects) {
        const visa_object_t& other = entry.second;
        if (session && entry.first != id && other.kind == visa_kind_t::instrument &&
            other.instrument == session->instrument && other.lock_depth > 0) {
            return true;
        }
    }
    return false;
}

void visa_sessions_t::drop_output_of(int instrument) {
    for (auto& entry : objects) {
        if (entry.second.kind == visa_kind_t::instrument && entry.second.instrument == instrument) {
            entry.second.output.clear();
        }
    }
}

void visa_sessions_t::close(ViSession id) {
    objects.erase(id);
    for (auto it = objects.begin(); it != objects.end();) {
        it = it->second.owner == id ? objects.erase(it) : std::next(it);
    }
}
