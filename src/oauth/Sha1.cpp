#include "oauth/Sha1.h"

#include <cstring>

// The SHA extensions are x86's; every other processor takes the portable rounds.
#if defined(__x86_64__) || defined(__i386__)
#define WARBLER_SHA_EXTENSIONS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

inline uint32_t Rol(uint32_t v, int bits) {
    return (v << bits) | (v >> (32 - bits));
}

#ifdef WARBLER_SHA_EXTENSIONS
bool HasShaExtensions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    bool ssse3 = (c & bit_SSSE3) != 0, sse41 = (c & bit_SSE4_1) != 0;
    if (!ssse3 || !sse41 || !__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return false;
    return (b & bit_SHA) != 0;
}

const bool kShaExtensions = HasShaExtensions();

// Four rounds; the round function is an immediate operand, so each of the four is spelled out.
__attribute__((target("sha,ssse3,sse4.1"))) inline __m128i FourRounds(__m128i abcd, __m128i e,
                                                                      int function) {
    switch (function) {
        case 0:
            return _mm_sha1rnds4_epu32(abcd, e, 0);
        case 1:
            return _mm_sha1rnds4_epu32(abcd, e, 1);
        case 2:
            return _mm_sha1rnds4_epu32(abcd, e, 2);
        default:
            return _mm_sha1rnds4_epu32(abcd, e, 3);
    }
}

__attribute__((target("sha,ssse3,sse4.1"))) void CompressShaNi(uint32_t state[5],
                                                               const uint8_t* block) {
    const __m128i bigEndian = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    const __m128i abcdBefore =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    const __m128i eBefore = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    // The schedule's last sixteen words, four to a register: words 4g..4g+3 in w[g % 4].
    __m128i w[4];
    for (int g = 0; g < 4; ++g)
        w[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * g)),
                                bigEndian);
    __m128i abcd = abcdBefore;
    __m128i previous = abcd;
    abcd = FourRounds(abcd, _mm_add_epi32(eBefore, w[0]), 0);
#pragma GCC unroll 19
    for (int g = 1; g < 20; ++g) {
        if (g >= 4)
            w[g & 3] = _mm_sha1msg2_epu32(
                _mm_xor_si128(_mm_sha1msg1_epu32(w[g & 3], w[(g + 1) & 3]), w[(g + 2) & 3]),
                w[(g + 3) & 3]);
        // E for these rounds comes from A four rounds back.
        __m128i e = _mm_sha1nexte_epu32(previous, w[g & 3]);
        previous = abcd;
        abcd = FourRounds(abcd, e, g / 5);
    }
    __m128i e = _mm_sha1nexte_epu32(previous, eBefore);
    abcd = _mm_add_epi32(abcd, abcdBefore);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e, 3));
}
#endif

}  // namespace

bool CSha1::CompressWithShaExtensions(uint32_t state[5], const uint8_t* block) {
#ifdef WARBLER_SHA_EXTENSIONS
    if (!kShaExtensions)
        return false;
    CompressShaNi(state, block);
    return true;
#else
    (void)state;
    (void)block;
    return false;
#endif
}

// clang-format off
// The message schedule lives in a 16-word circular window.
#define SHA1_BLK0(i) (w[i] = (static_cast<uint32_t>(block[(i) * 4]) << 24) | \
                             (static_cast<uint32_t>(block[(i) * 4 + 1]) << 16) | \
                             (static_cast<uint32_t>(block[(i) * 4 + 2]) << 8) | block[(i) * 4 + 3])
#define SHA1_BLK(i) (w[(i) & 15] = Rol(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ \
                                       w[((i) + 2) & 15] ^ w[(i) & 15], 1))
#define SHA1_R0(v, x, y, z, t, i) t += ((x & (y ^ z)) ^ z) + SHA1_BLK0(i) + 0x5A827999 + Rol(v, 5); x = Rol(x, 30);
#define SHA1_R1(v, x, y, z, t, i) t += ((x & (y ^ z)) ^ z) + SHA1_BLK(i) + 0x5A827999 + Rol(v, 5); x = Rol(x, 30);
#define SHA1_R2(v, x, y, z, t, i) t += (x ^ y ^ z) + SHA1_BLK(i) + 0x6ED9EBA1 + Rol(v, 5); x = Rol(x, 30);
#define SHA1_R3(v, x, y, z, t, i) t += (((x | y) & z) | (x & y)) + SHA1_BLK(i) + 0x8F1BBCDC + Rol(v, 5); x = Rol(x, 30);
#define SHA1_R4(v, x, y, z, t, i) t += (x ^ y ^ z) + SHA1_BLK(i) + 0xCA62C1D6 + Rol(v, 5); x = Rol(x, 30);

CSha1::~CSha1() { Reset(); }

void CSha1::Reset() {
    state_[0] = 0x67452301;
    state_[1] = 0xEFCDAB89;
    state_[2] = 0x98BADCFE;
    state_[3] = 0x10325476;
    state_[4] = 0xC3D2E1F0;
    count_[0] = count_[1] = 0;
}

void CSha1::Transform(const uint8_t* block) {
    if (!CompressWithShaExtensions(state_, block))
        CompressPortable(state_, block, work_);
}

void CSha1::CompressPortable(uint32_t state[5], const uint8_t* block, uint32_t work[16]) {
    uint32_t* w = work;
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    SHA1_R0(a, b, c, d, e, 0) SHA1_R0(e, a, b, c, d, 1) SHA1_R0(d, e, a, b, c, 2) SHA1_R0(c, d, e, a, b, 3)
    SHA1_R0(b, c, d, e, a, 4) SHA1_R0(a, b, c, d, e, 5) SHA1_R0(e, a, b, c, d, 6) SHA1_R0(d, e, a, b, c, 7)
    SHA1_R0(c, d, e, a, b, 8) SHA1_R0(b, c, d, e, a, 9) SHA1_R0(a, b, c, d, e, 10) SHA1_R0(e, a, b, c, d, 11)
    SHA1_R0(d, e, a, b, c, 12) SHA1_R0(c, d, e, a, b, 13) SHA1_R0(b, c, d, e, a, 14) SHA1_R0(a, b, c, d, e, 15)
    SHA1_R1(e, a, b, c, d, 16) SHA1_R1(d, e, a, b, c, 17) SHA1_R1(c, d, e, a, b, 18) SHA1_R1(b, c, d, e, a, 19)
    SHA1_R2(a, b, c, d, e, 20) SHA1_R2(e, a, b, c, d, 21) SHA1_R2(d, e, a, b, c, 22) SHA1_R2(c, d, e, a, b, 23)
    SHA1_R2(b, c, d, e, a, 24) SHA1_R2(a, b, c, d, e, 25) SHA1_R2(e, a, b, c, d, 26) SHA1_R2(d, e, a, b, c, 27)
    SHA1_R2(c, d, e, a, b, 28) SHA1_R2(b, c, d, e, a, 29) SHA1_R2(a, b, c, d, e, 30) SHA1_R2(e, a, b, c, d, 31)
    SHA1_R2(d, e, a, b, c, 32) SHA1_R2(c, d, e, a, b, 33) SHA1_R2(b, c, d, e, a, 34) SHA1_R2(a, b, c, d, e, 35)
    SHA1_R2(e, a, b, c, d, 36) SHA1_R2(d, e, a, b, c, 37) SHA1_R2(c, d, e, a, b, 38) SHA1_R2(b, c, d, e, a, 39)
    SHA1_R3(a, b, c, d, e, 40) SHA1_R3(e, a, b, c, d, 41) SHA1_R3(d, e, a, b, c, 42) SHA1_R3(c, d, e, a, b, 43)
    SHA1_R3(b, c, d, e, a, 44) SHA1_R3(a, b, c, d, e, 45) SHA1_R3(e, a, b, c, d, 46) SHA1_R3(d, e, a, b, c, 47)
    SHA1_R3(c, d, e, a, b, 48) SHA1_R3(b, c, d, e, a, 49) SHA1_R3(a, b, c, d, e, 50) SHA1_R3(e, a, b, c, d, 51)
    SHA1_R3(d, e, a, b, c, 52) SHA1_R3(c, d, e, a, b, 53) SHA1_R3(b, c, d, e, a, 54) SHA1_R3(a, b, c, d, e, 55)
    SHA1_R3(e, a, b, c, d, 56) SHA1_R3(d, e, a, b, c, 57) SHA1_R3(c, d, e, a, b, 58) SHA1_R3(b, c, d, e, a, 59)
    SHA1_R4(a, b, c, d, e, 60) SHA1_R4(e, a, b, c, d, 61) SHA1_R4(d, e, a, b, c, 62) SHA1_R4(c, d, e, a, b, 63)
    SHA1_R4(b, c, d, e, a, 64) SHA1_R4(a, b, c, d, e, 65) SHA1_R4(e, a, b, c, d, 66) SHA1_R4(d, e, a, b, c, 67)
    SHA1_R4(c, d, e, a, b, 68) SHA1_R4(b, c, d, e, a, 69) SHA1_R4(a, b, c, d, e, 70) SHA1_R4(e, a, b, c, d, 71)
    SHA1_R4(d, e, a, b, c, 72) SHA1_R4(c, d, e, a, b, 73) SHA1_R4(b, c, d, e, a, 74) SHA1_R4(a, b, c, d, e, 75)
    SHA1_R4(e, a, b, c, d, 76) SHA1_R4(d, e, a, b, c, 77) SHA1_R4(c, d, e, a, b, 78) SHA1_R4(b, c, d, e, a, 79)
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    // clang-format on
}

void CSha1::Update(const uint8_t* data, uint32_t length) {
    uint32_t used = (count_[0] >> 3) & 63;
    uint32_t low = count_[0] + (length << 3);
    if (low < count_[0])
        ++count_[1];
    count_[0] = low;
    count_[1] += length >> 29;
    uint32_t i = 0;
    if (used + length > 63) {
        i = 64 - used;
        std::memcpy(buffer_ + used, data, i);
        Transform(buffer_);
        for (; i + 63 < length; i += 64) Transform(data + i);
        used = 0;
    }
    if (length > i)
        std::memcpy(buffer_ + used, data + i, length - i);
}

void CSha1::Final() {
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<uint8_t>(count_[i < 4 ? 1 : 0] >> ((3 - (i & 3)) * 8));
    static constexpr uint8_t kPadding[64] = {0x80};
    uint32_t used = (count_[0] >> 3) & 63;
    Update(kPadding, used < 56 ? 56 - used : 120 - used);  // up to 448 bits modulo 512
    Update(length, 8);
    for (int i = 0; i < 20; ++i)
        digest_[i] = static_cast<uint8_t>(state_[i >> 2] >> ((3 - (i & 3)) * 8));
    // No message words may stay behind in the object.
    std::memset(buffer_, 0, sizeof buffer_);
    std::memset(state_, 0, sizeof state_);
    std::memset(count_, 0, sizeof count_);
    std::memset(length, 0, sizeof length);
    Transform(buffer_);
}

void CSha1::GetHash(uint8_t* out) const {
    std::memcpy(out, digest_, sizeof digest_);
}
