#include "lan/lan_admission.h"

#include <algorithm>

#include "lan/lan_limits.h"

bool lan_admission_t::admit(const QHostAddress& host) {
    const bool inside =
        std::any_of(allowed.cbegin(), allowed.cend(),
                    [&host](const lan_subnet_t& subnet) { return host.isInSubnet(subnet); });
    if (!inside || total >= lan_max_connections ||
        per_host.value(host) >= lan_connections_per_host) {
        return false;
    }
    ++per_host[host];
    ++total;
    return true;
}

void lan_admission_t::release(const QHostAddress& host) {
    const auto found = per_host.find(host);
    if (found == per_host.end()) {
        return;
    }
    --total;
    if (--*found == 0) {
        per_host.erase(found);
    }
}
