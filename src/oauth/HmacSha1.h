// HMAC-SHA1 (RFC 2104) over the system's own SHA-1.
#pragma once

#include <cstdint>

#include "oauth/Sha1.h"

class CHmacSha1 : public CSha1 {
  public:
    // Writes the 20-byte HMAC of the message under the key. The message is hashed in place, so
    // its length is not bounded by a buffer.
    void Compute(const uint8_t* message, uint32_t messageLength, const uint8_t* key,
                 int32_t keyLength, uint8_t* out);
};
