#include "oauth/UrlEncode.h"

std::string UrlEncoded(std::string_view text, std::string_view keep) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        bool alnum = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
        if ((b != 0 && keep.find(ch) != std::string_view::npos) || alnum) {
            out += ch;
        } else if (b == ' ' || (b >= 0x09 && b <= 0x0D)) {
            out += '+';
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

void UrlEncode(CZelString& text, const char* keep) {
    if (text.IsEmpty()) return;
    text.Assign(UrlEncoded(text.View(), keep != nullptr ? keep : "").c_str());
}
