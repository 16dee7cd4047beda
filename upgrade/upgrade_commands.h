#pragma once

class visa_link_t;

// The single commands of an upgrade, straight over the unit's VISA session.
// Fixed commands go out with their terminating zero byte.

// Asks "UPREADY?" up to 12 times until the unit answers exactly "1\n".
bool wait_upready(visa_link_t& link);
// Whether the unit answers "OS?" with exactly "BOOTLOADER\n".
bool is_in_bootloader(visa_link_t& link);
// Restarts the unit into its application and opens its session again, to
// that unit only (visa_link_t::reopen).
bool reboot_unit(visa_link_t& link);
// Restarts the unit into its bootloader and opens its session again, likewise.
bool reboot_to_bootloader(visa_link_t& link);
bool send_upgrade_pass(visa_link_t& link);
bool send_upgrade_fail(visa_link_t& link);
