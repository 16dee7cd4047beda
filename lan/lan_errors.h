#pragma once

// VXI-11 error codes that kvt-lan gives.
enum lan_error_t : int {
    lan_ok = 0,
    lan_not_accessible = 3,
    lan_invalid_link = 4,
    lan_parameter_error = 5,
    lan_not_supported = 8,
    lan_out_of_resources = 9,
    lan_locked_by_other = 11,
    lan_no_lock_held = 12,
    lan_io_timeout = 15,
    lan_io_error = 17,
    lan_aborted = 23,
};
