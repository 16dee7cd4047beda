#include "lan/lan_admission.h"

#include <algorithm>

#include "lan/lan_host.h"
#include "lan/lan_limits.h"

bool lan_admission_t::admit(const QHostAddress& address) {
    const bool inside =
        std::any_of(allowed.cbegin(), allowed.cend(),
                    [&address](const lan_subnet_t& subnet) { return address.isInSubnet(subnet); });
    const QHostAddress host = lan_host_of(address);
    if (!inside || total >= lan_max_connections ||
        per_host.value(host) >= lan_connections_per_host) {
        return false;
    }
    ++per_host[host];
    ++total;
    return true;
}

void lan_admission_t::release(const QHostAddress& address) {
    const auto found = per_host.find(lan_host_of(address));
    if (found == per_host.end()) {
        return;
    }
    --total;
    if (--*found == 0) {
        per_host.erase(found);
    }
}
