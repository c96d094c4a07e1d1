// Base64 (RFC 4648 section 4), without line breaks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/ZelBase.h"

class CZelBase64 : public CZelBase {
  public:
    CZelBase64() : CZelBase("CZelBase64") {}
    ~CZelBase64() override = default;

    // 0, or -1 when the output cannot be allocated (out is then unchanged).
    int Encode(const uint8_t* data, uint32_t length, CZelString& out);

    static constexpr size_t EncodedLength(size_t length) { return (length + 2) / 3 * 4; }
    // Writes EncodedLength(length) characters to out, without a terminator; returns their count.
    static size_t EncodeTo(const uint8_t* data, size_t length, char* out);
};
