// The bytes of a URL's path that go on the wire as %XX: those WinHTTP escapes when it sends a
// request (blanks, controls, quotes, angle brackets, '#', braces, '|', '^', '`'), and those beyond
// ASCII, which no code page carries unchanged. One rule for what is signed and what is sent.
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline bool UnsafeInPath(unsigned char byte) {
    switch (byte) {
        case '"':
        case '<':
        case '>':
        case '#':
        case '{':
        case '}':
        case '|':
        case '^':
        case '`':
            return true;
        default:
            return byte <= 0x20 || byte >= 0x7F;
    }
}

inline void AppendEscapedPath(std::string& out, std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char ch : path) {
        auto byte = static_cast<unsigned char>(ch);
        if (UnsafeInPath(byte)) {
            const char escape[3] = {'%', kHex[byte >> 4], kHex[byte & 15]};
            out.append(escape, 3);
        } else {
            out.append(1, ch);
        }
    }
}

}  // namespace platform
