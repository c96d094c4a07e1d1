// The automation interfaces and the identities of the component, fixed once and never changed.
// Both targets take them from the interface description: widl's header on Windows, the build's
// own on Linux (the same declarations, the identities as constants).
#pragma once

#include "automation/Automation.h"
#include "warbler.h"

#if defined(_WIN32)
template <class Interface>
const IID& IidOf() {
    return __uuidof(Interface);
}
#endif

// The application's identity in the registry; not part of the type library.
inline constexpr GUID APPID_Warbler = {
    0x3968ee95, 0xdcc0, 0x4ed9, {0x86, 0x7b, 0xfc, 0x3b, 0x16, 0xf8, 0x71, 0x8f}};
