#include "oauth/ZelBase64.h"

#include <new>
#include <string>

size_t CZelBase64::EncodeTo(const uint8_t* data, size_t length, char* out) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    char* start = out;
    size_t i = 0;
    for (; i + 2 < length; i += 3) {
        uint32_t bits = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
        *out++ = kAlphabet[bits >> 18];
        *out++ = kAlphabet[(bits >> 12) & 63];
        *out++ = kAlphabet[(bits >> 6) & 63];
        *out++ = kAlphabet[bits & 63];
    }
    if (i < length) {
        uint32_t bits = uint32_t{data[i]} << 16;
        if (i + 1 < length)
            bits |= uint32_t{data[i + 1]} << 8;
        *out++ = kAlphabet[bits >> 18];
        *out++ = kAlphabet[(bits >> 12) & 63];
        *out++ = i + 1 < length ? kAlphabet[(bits >> 6) & 63] : '=';
        *out++ = '=';
    }
    return static_cast<size_t>(out - start);
}

int CZelBase64::Encode(const uint8_t* data, uint32_t length, CZelString& out) {
    std::string text;
    try {
        text.resize(EncodedLength(length));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    EncodeTo(data, length, text.data());
    out = CZelString(std::move(text));
    return 0;
}
