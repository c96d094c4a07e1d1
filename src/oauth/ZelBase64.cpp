#include "oauth/ZelBase64.h"

#include <new>
#include <string>

int CZelBase64::Encode(const uint8_t* data, uint32_t length, CZelString& out) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    try {
        text.reserve((static_cast<size_t>(length) + 2) / 3 * 4);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    uint32_t i = 0;
    for (; i + 2 < length; i += 3) {
        uint32_t bits = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
        text += kAlphabet[bits >> 18];
        text += kAlphabet[(bits >> 12) & 63];
        text += kAlphabet[(bits >> 6) & 63];
        text += kAlphabet[bits & 63];
    }
    if (i < length) {
        uint32_t bits = uint32_t{data[i]} << 16;
        if (i + 1 < length)
            bits |= uint32_t{data[i + 1]} << 8;
        text += kAlphabet[bits >> 18];
        text += kAlphabet[(bits >> 12) & 63];
        text += i + 1 < length ? kAlphabet[(bits >> 6) & 63] : '=';
        text += '=';
    }
    out.Assign(text.c_str());
    return 0;
}
