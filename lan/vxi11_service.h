#pragma once

#include "lan/lan_links.h"

// The links the generated dispatch functions work on; set before serving.
void set_service_links(lan_links_t* links);
