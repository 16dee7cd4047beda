#pragma once

// Marks a function of the VISA C interface: the library exports nothing else.
#define VISA_EXPORT extern "C" __attribute__((visibility("default")))
