// Conversions between the automation interface's UTF-16 and the system's 8-bit "ANSI" text.
// On Linux the ANSI code page is UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/SystemTypes.h"

namespace platform {

// The automation interface's UTF-16 text.
using WideString = std::basic_string<OLECHAR>;
using WideView = std::basic_string_view<OLECHAR>;

// Text that cannot be represented becomes U+FFFD, as the Windows default conversion does for UTF-8.
std::string WideToAnsi(WideView wide);
WideString AnsiToWide(std::string_view ansi);
// The text in UTF-8 whatever the code page, for what goes on the wire to the service.
std::string WideToUtf8(WideView wide);
// The same in two steps, for a caller that allocates the room itself: the units the text
// converts to, and the conversion into room for that many.
size_t WideLength(std::string_view ansi);
size_t AnsiToWideInto(std::string_view ansi, OLECHAR* out, size_t capacity);
// AnsiToWideInto for text that is dropped afterwards (it is left empty): where the system allows,
// the pages of the part already converted go back during the conversion, so that a large reply
// and its conversion are never resident in full at once.
size_t AnsiToWideReleasing(std::string& ansi, OLECHAR* out, size_t capacity);

// A service's reply, which the service sends in UTF-8: decoded as UTF-8 when it is, else in the
// ANSI code page (on Linux the two are one).
WideString ReplyToWide(std::string_view reply);
// Text that goes to the service in UTF-8, in the code page, for the log.
std::string Utf8ToAnsi(std::string_view utf8);

// True when AnsiToWide would not replace anything in the text.
bool IsValidUtf8(std::string_view text);

}  // namespace platform
