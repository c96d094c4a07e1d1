// BSTR text to and from the system's 8-bit "ANSI" text, and to UTF-8; a null BSTR is the empty
// text.
#pragma once

#include <string>
#include <string_view>

#include "automation/Automation.h"
#include "platform/CodePage.h"

namespace automation {

inline std::string BstrToAnsi(const OLECHAR* bstr) {
    if (bstr == nullptr)
        return {};
    return platform::WideToAnsi(platform::WideView(bstr, SysStringLen(const_cast<BSTR>(bstr))));
}

inline std::string BstrToUtf8(const OLECHAR* bstr) {
    if (bstr == nullptr)
        return {};
    return platform::WideToUtf8(platform::WideView(bstr, SysStringLen(const_cast<BSTR>(bstr))));
}

// Room for the text's conversion (units set to its length), or null when a BSTR cannot hold it.
inline BSTR AllocateBstrFor(std::string_view ansi, size_t& units) {
    units = platform::WideLength(ansi);
    return units > 0x3FFFFFF0u ? nullptr : SysAllocStringLen(nullptr, static_cast<UINT>(units));
}

// Converted straight into the BSTR's own allocation: a large text is converted once and copied
// never.
inline BSTR AnsiToBstr(std::string_view ansi) {
    size_t units = 0;
    BSTR text = AllocateBstrFor(ansi, units);
    if (text != nullptr)
        platform::AnsiToWideInto(ansi, text, units);
    return text;
}

}  // namespace automation
