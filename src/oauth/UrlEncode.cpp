#include "oauth/UrlEncode.h"

#include <algorithm>
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

// Appends the encoding of text to out. The room for the longest encoding is made first and the
// bytes written through a pointer: an append per escape costs more than the escape.
void AppendEncoded(std::string& out, std::string_view text, const ClassTable& classes,
                   std::string_view space) {
    size_t start = out.size(), room = text.size() * 3;
    if (out.capacity() - start < room) {  // no room for the worst case: make exactly what it takes
        room = 0;
        for (char ch : text) {
            unsigned char kind = classes[static_cast<unsigned char>(ch)];
            room += kind == kKeep ? 1 : kind == kSpace ? space.size() : 3;
        }
    }
    out.resize(start + room);
    char* to = out.data() + start;
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        unsigned char kind = classes[b];
        if (kind == kKeep) {
            *to++ = ch;
        } else if (kind == kSpace) {
            to = std::copy(space.begin(), space.end(), to);
        } else {
            to[0] = '%';
            to[1] = kHex[b >> 4];
            to[2] = kHex[b & 0x0F];
            to += 3;
        }
    }
    out.resize(static_cast<size_t>(to - out.data()));
}

std::string Encode(std::string_view text, const ClassTable& classes, std::string_view space) {
    std::string out;
    AppendEncoded(out, text, classes, space);
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

void AppendOAuthEncoded(std::string& out, std::string_view text) {
    AppendEncoded(out, text, kOAuthClasses, "%20");
}

void UrlEncode(CZelString& text, const char* keep) {
    if (text.IsEmpty())
        return;
    text.Assign(UrlEncoded(text.View(), keep != nullptr ? keep : "").c_str());
}
