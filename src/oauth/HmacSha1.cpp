#include "oauth/HmacSha1.h"

#include <cstring>

void CHmacSha1::Compute(const uint8_t* message, uint32_t messageLength, const uint8_t* key,
                        int32_t keyLength, uint8_t* out) {
    uint8_t keyBlock[64] = {};
    if (keyLength > 64) {
        Reset();
        Update(key, static_cast<uint32_t>(keyLength));
        Final();
        GetHash(keyBlock);
    } else if (keyLength > 0) {
        std::memcpy(keyBlock, key, static_cast<size_t>(keyLength));
    }
    uint8_t ipad[64], opad[64];
    for (int i = 0; i < 64; ++i) {
        ipad[i] = keyBlock[i] ^ 0x36;
        opad[i] = keyBlock[i] ^ 0x5C;
    }
    uint8_t inner[20];
    Reset();
    Update(ipad, 64);
    Update(message, messageLength);
    Final();
    GetHash(inner);
    Reset();
    Update(opad, 64);
    Update(inner, 20);
    Final();
    GetHash(out);
    std::memset(keyBlock, 0, sizeof keyBlock);
    std::memset(ipad, 0, sizeof ipad);
    std::memset(opad, 0, sizeof opad);
}
