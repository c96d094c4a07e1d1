// The system's scalar types that the seam's interfaces are written in. On Windows the system's
// own; on Linux the same names with the Win64 sizes.
#pragma once

#include <cstdint>

#if defined(_WIN32)

#include <windows.h>
#include <wtypes.h>

#else

using HRESULT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using UINT = unsigned int;
using BOOL = int;
using LCID = uint32_t;
using OLECHAR = char16_t;
using WCHAR = char16_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

#endif
