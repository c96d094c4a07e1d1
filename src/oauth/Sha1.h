// SHA-1 (FIPS 180-1).
#pragma once

#include <cstdint>

class CSha1 {
  public:
    CSha1() { Reset(); }
    virtual ~CSha1();

    void Reset();
    void Update(const uint8_t* data, uint32_t length);
    // Pads, produces the digest, then wipes every trace of the message from the object.
    void Final();
    void GetHash(uint8_t* out) const;

    // One compression of a 64-byte block into state, in plain code with the schedule in work.
    static void CompressPortable(uint32_t state[5], const uint8_t* block, uint32_t work[16]);
    // The same with the processor's SHA extensions; false, without touching state, on a
    // processor without them.
    static bool CompressWithShaExtensions(uint32_t state[5], const uint8_t* block);

  private:
    void Transform(const uint8_t* block);

    uint32_t state_[5];
    uint32_t count_[2];  // bits hashed so far: low, high
    uint8_t buffer_[64];
    uint8_t digest_[20] = {};
    uint32_t work_[16];  // the block under compression, in host order
};
