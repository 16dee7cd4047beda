#pragma once

#include "driver/visa_types.h"

// Statuses and modes of the locking and unsupported operations, beyond those
// the program itself uses.
constexpr ViStatus VI_SUCCESS_NESTED_EXCLUSIVE = 0x3FFF009A;
constexpr ViStatus VI_ERROR_RSRC_LOCKED = ViStatus(0xBFFF000F);
constexpr ViStatus VI_ERROR_INV_ACC_MODE = ViStatus(0xBFFF0013);
constexpr ViStatus VI_ERROR_INV_LOCK_TYPE = ViStatus(0xBFFF0020);
constexpr ViStatus VI_ERROR_IO = ViStatus(0xBFFF003E);
constexpr ViStatus VI_ERROR_NSUP_OPER = ViStatus(0xBFFF0067);
constexpr ViStatus VI_ERROR_SESN_NLOCKED = ViStatus(0xBFFF009C);

constexpr ViAccessMode VI_EXCLUSIVE_LOCK = 1;
constexpr ViAccessMode VI_SHARED_LOCK = 2;
constexpr ViAccessMode VI_LOAD_CONFIG = 4;
