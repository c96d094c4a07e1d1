#include "oauth/UrlEncode.h"

#include <array>

namespace {

enum ByteClass : unsigned char { kEscape, kKeep, kSpace };
using ClassTable = std::array<unsigned char, 256>;

constexpr ClassTable MakeClasses(std::string_view keep) {
    ClassTable classes{};
    for (int b = '0'; b <= '9'; ++b) classes[b] = kKeep;
    for (int b = 'A'; b <= 'Z'; ++b) classes[b] = kKeep;
    for (int b = 'a'; b <= 'z'; ++b) classes[b] = kKeep;
    classes[' '] = kSpace;
    for (int b = 0x09; b <= 0x0D; ++b) classes[b] = kSpace;
    for (char ch : keep) classes[static_cast<unsigned char>(ch)] = kKeep;
    return classes;
}

constexpr ClassTable kFormClasses = MakeClasses("");
constexpr ClassTable kOAuthClasses = MakeClasses("-._~");
constexpr char kHex[] = "0123456789ABCDEF";

// One pass into a buffer of the largest size, cut to what was written.
std::string Encode(std::string_view text, const ClassTable& classes, std::string_view space) {
    std::string out(text.size() * 3, '\0');
    char* w = out.data();
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        switch (classes[b]) {
            case kKeep:
                *w++ = ch;
                break;
            case kSpace:
                for (char s : space) *w++ = s;
                break;
            default:
                *w++ = '%';
                *w++ = kHex[b >> 4];
                *w++ = kHex[b & 0x0F];
        }
    }
    out.resize(static_cast<size_t>(w - out.data()));
    return out;
}

}  // namespace

std::string UrlEncoded(std::string_view text, std::string_view keep) {
    if (keep.empty())
        return Encode(text, kFormClasses, "+");
    return Encode(text, MakeClasses(keep), "+");
}

std::string OAuthEncoded(std::string_view text) {
    return Encode(text, kOAuthClasses, "%20");
}

void UrlEncode(CZelString& text, const char* keep) {
    if (text.IsEmpty())
        return;
    text.Assign(UrlEncoded(text.View(), keep != nullptr ? keep : "").c_str());
}
