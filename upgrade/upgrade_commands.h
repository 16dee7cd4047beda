#pragma once

// The single commands of an upgrade, straight over the VISA session. Fixed
// commands go out with their terminating zero byte.

// Asks "UPREADY?" up to 12 times until the unit answers exactly "1\n".
bool wait_upready();
// Whether the unit answers "OS?" with exactly "BOOTLOADER\n".
bool is_in_bootloader();
// Restarts the unit into its application and opens the session again.
bool reboot_unit();
// Restarts the unit into its bootloader and opens the session again.
bool reboot_to_bootloader();
bool send_upgrade_pass();
bool send_upgrade_fail();
