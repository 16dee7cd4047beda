#pragma once

#include "lan/lan_links.h"

// The links the generated dispatch functions work on; set before serving.
void set_service_links(lan_links_t* links);

// A device_lock that may wait is answered later: once the lock is free, or
// with error 11 at its lock timeout. These keep those answers going.
// Answers what can be answered now; returns the ms until the next timeout
// (at most limit_ms).
int answer_waiting_locks(int limit_ms);
// A client's connection closed: its waiting requests are dropped unanswered.
void drop_waiting_locks(int client);
