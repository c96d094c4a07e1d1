#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "oauth/HmacSha1.h"
#include "oauth/Sha1.h"
#include "oauth/ZelBase64.h"

namespace {

std::string Hex(const uint8_t* bytes, size_t n) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

std::string Sha1Hex(const std::string& message) {
    CSha1 sha;
    sha.Update(reinterpret_cast<const uint8_t*>(message.data()),
               static_cast<uint32_t>(message.size()));
    sha.Final();
    uint8_t digest[20];
    sha.GetHash(digest);
    return Hex(digest, 20);
}

std::string HmacHex(const std::string& key, const std::string& message) {
    uint8_t out[20];
    CHmacSha1().Compute(
        reinterpret_cast<const uint8_t*>(message.data()), static_cast<uint32_t>(message.size()),
        reinterpret_cast<const uint8_t*>(key.data()), static_cast<int32_t>(key.size()), out);
    return Hex(out, 20);
}

}  // namespace

TEST(Sha1, Fips180Vectors) {
    EXPECT_EQ(Sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

// The vectors above go through whichever compression this processor selects; the two agree.
TEST(Sha1, BothCompressionsAgree) {
    uint32_t probe[5] = {};
    uint8_t zero[64] = {};
    if (!CSha1::CompressWithShaExtensions(probe, zero))
        GTEST_SKIP() << "this processor has no SHA extensions";
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        uint32_t plain[5], extended[5], work[16];
        uint8_t block[64];
        for (uint32_t& word : plain) word = static_cast<uint32_t>(random());
        for (uint8_t& byte : block) byte = static_cast<uint8_t>(random());
        std::memcpy(extended, plain, sizeof plain);
        CSha1::CompressPortable(plain, block, work);
        ASSERT_TRUE(CSha1::CompressWithShaExtensions(extended, block));
        ASSERT_EQ(0, std::memcmp(plain, extended, sizeof plain)) << round;
    }
}

TEST(Sha1, PiecewiseUpdatesMatchOneUpdate) {
    std::string message(1000, 'x');
    for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 7);
    CSha1 sha;
    for (size_t at = 0, step = 1; at < message.size(); at += step, step = step % 70 + 1)
        sha.Update(reinterpret_cast<const uint8_t*>(message.data()) + at,
                   static_cast<uint32_t>(std::min(step, message.size() - at)));
    sha.Final();
    uint8_t digest[20];
    sha.GetHash(digest);
    EXPECT_EQ(Hex(digest, 20), Sha1Hex(message));
}

TEST(HmacSha1, Rfc2202Vectors) {
    EXPECT_EQ(HmacHex(std::string(20, '\x0b'), "Hi There"),
              "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(HmacHex("Jefe", "what do ya want for nothing?"),
              "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(HmacHex(std::string(20, '\xaa'), std::string(50, '\xdd')),
              "125d7342b9ac11cd91a39af48aa17b4f63f175d3");
    std::string key4;
    for (int i = 1; i <= 25; ++i) key4 += static_cast<char>(i);
    EXPECT_EQ(HmacHex(key4, std::string(50, '\xcd')), "4c9007f4026250c6bc8414f9bf50c86c2d7235da");
    EXPECT_EQ(HmacHex(std::string(20, '\x0c'), "Test With Truncation"),
              "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
    EXPECT_EQ(
        HmacHex(std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
        "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    EXPECT_EQ(HmacHex(std::string(80, '\xaa'),
                      "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
              "e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
}

TEST(HmacSha1, KeysOfSixtyFourBytesAreNotHashedAndLongMessagesWork) {
    std::string key64(64, 'k');
    std::string key65(65, 'k');
    uint8_t hashed[20];
    CSha1 sha;
    sha.Update(reinterpret_cast<const uint8_t*>(key65.data()), 65);
    sha.Final();
    sha.GetHash(hashed);
    std::string hashedKey(reinterpret_cast<char*>(hashed), 20);
    EXPECT_EQ(HmacHex(key65, "m"), HmacHex(hashedKey, "m"));
    EXPECT_NE(HmacHex(key64, "m"), HmacHex(std::string(64, 'k').substr(0, 20), "m"));
    // Past the original 4,032-byte message bound: stays correct (value from Python's hmac).
    EXPECT_EQ(HmacHex("key", std::string(5000, 'm')), "1eb3f8383ff72024fe2dca08bfa2e593c92aacb4");
}

TEST(Base64, Rfc4648Vectors) {
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xff\xfe\x00", 3), "//4A"},
    };
    for (const auto& [input, expected] : vectors) {
        CZelString out("unchanged?");
        EXPECT_EQ(CZelBase64().Encode(reinterpret_cast<const uint8_t*>(input.data()),
                                      static_cast<uint32_t>(input.size()), out),
                  0);
        EXPECT_EQ(out.Str(), expected);
    }
}
