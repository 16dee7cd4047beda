#pragma once

#include "driver/visa_types.h"

// The standard description of a status the stand-in returns; nullptr for any other.
const char* visa_status_text(ViStatus status);
