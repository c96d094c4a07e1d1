#include <windows.h>

#include "platform/CodePage.h"

namespace platform {

namespace {

std::string WideTo(UINT codePage, WideView wide) {
    if (wide.empty())
        return {};
    int length = static_cast<int>(wide.size());
    int bytes = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::string WideToAnsi(WideView wide) {
    return WideTo(CP_ACP, wide);
}

std::string WideToUtf8(WideView wide) {
    return WideTo(CP_UTF8, wide);
}

WideString AnsiToWide(std::string_view ansi) {
    if (ansi.empty())
        return {};
    int length = static_cast<int>(ansi.size());
    int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    WideString out(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, out.data(), units);
    return out;
}

WideString ReplyToWide(std::string_view reply) {
    if (reply.empty())
        return {};
    int length = static_cast<int>(reply.size());
    int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reply.data(), length, nullptr, 0);
    if (units <= 0)
        return AnsiToWide(reply);
    WideString out(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reply.data(), length, out.data(), units);
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return WideToAnsi(ReplyToWide(utf8));
}

}  // namespace platform

namespace platform {

size_t WideLength(std::string_view ansi) {
    if (ansi.empty())
        return 0;
    int units =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    return units > 0 ? static_cast<size_t>(units) : 0;
}

size_t AnsiToWideInto(std::string_view ansi, OLECHAR* out, size_t capacity) {
    if (ansi.empty() || capacity == 0)
        return 0;
    int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), out,
                                    static_cast<int>(capacity));
    return units > 0 ? static_cast<size_t>(units) : 0;
}

size_t AnsiToWideReleasing(std::string& ansi, OLECHAR* out, size_t capacity) {
    size_t written = AnsiToWideInto(ansi, out, capacity);
    std::string().swap(ansi);
    return written;
}

}  // namespace platform
