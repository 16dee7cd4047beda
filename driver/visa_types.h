#pragma once

#include <QtGlobal>
#include <cstdint>

// The 32-bit types and status codes of the IVI VISA C interface, shared by the
// binding and the stand-in library.

#ifdef Q_OS_WIN
#define VISA_CALL __stdcall
#else
#define VISA_CALL
#endif

using ViUInt32 = std::uint32_t;
using ViInt32 = std::int32_t;
using ViUInt16 = std::uint16_t;
using ViChar = char;
using ViByte = unsigned char;
using ViBoolean = ViUInt16;
using ViStatus = ViInt32;
using ViObject = ViUInt32;
using ViSession = ViObject;
using ViFindList = ViObject;
using ViAttr = ViUInt32;
using ViAccessMode = ViUInt32;
// Pointer-sized, as the standard defines it on 64-bit platforms.
using ViAttrState = std::uintptr_t;

constexpr ViStatus VI_SUCCESS = 0;
constexpr ViStatus VI_SUCCESS_TERM_CHAR = 0x3FFF0005;
constexpr ViStatus VI_SUCCESS_MAX_CNT = 0x3FFF0006;
constexpr ViStatus VI_WARN_CONFIG_NLOADED = 0x3FFF0077;
constexpr ViStatus VI_WARN_NULL_OBJECT = 0x3FFF0082;
constexpr ViStatus VI_ERROR_SYSTEM_ERROR = ViStatus(0xBFFF0000);
constexpr ViStatus VI_ERROR_INV_OBJECT = ViStatus(0xBFFF000E);
constexpr ViStatus VI_ERROR_INV_EXPR = ViStatus(0xBFFF0010);
constexpr ViStatus VI_ERROR_RSRC_NFOUND = ViStatus(0xBFFF0011);
constexpr ViStatus VI_ERROR_INV_RSRC_NAME = ViStatus(0xBFFF0012);
constexpr ViStatus VI_ERROR_TMO = ViStatus(0xBFFF0015);
constexpr ViStatus VI_ERROR_NSUP_ATTR = ViStatus(0xBFFF001D);
constexpr ViStatus VI_ERROR_NSUP_ATTR_STATE = ViStatus(0xBFFF001E);
constexpr ViStatus VI_ERROR_ATTR_READONLY = ViStatus(0xBFFF001F);
constexpr ViStatus VI_ERROR_CONN_LOST = ViStatus(0xBFFF00A6);
constexpr ViStatus VI_ERROR_LIBRARY_NFOUND = ViStatus(0xBFFF009E);

// Length of the resource text buffers of viFindRsrc and viFindNext.
constexpr int VI_FIND_BUFLEN = 256;
