#pragma once

// Held by one kvt-lan per host at a time, from before it looks at rpcbind
// until it ends, so that two servers started together cannot both find the
// registration free. The system lets go of it when its holder ends, killed
// or not.
class lan_host_lock_t {
public:
    lan_host_lock_t() = default;
    ~lan_host_lock_t();
    lan_host_lock_t(const lan_host_lock_t&) = delete;
    lan_host_lock_t& operator=(const lan_host_lock_t&) = delete;

    // True when this process holds the lock now; false when another does
    // or it cannot be taken.
    bool take();

private:
    int fd = -1;
};
