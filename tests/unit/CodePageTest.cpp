#include <gtest/gtest.h>

#include "platform/CodePage.h"

TEST(CodePage, InvalidTextBecomesTheReplacementCharacter) {
    // A lone continuation byte, a truncated sequence, an overlong slash and an encoded surrogate.
    EXPECT_EQ(platform::AnsiToWide("a\x80"
                                   "b"),
              u"a\uFFFDb");
    EXPECT_EQ(platform::AnsiToWide("\xE3\x81"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::AnsiToWide("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::AnsiToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(platform::WideToAnsi(u"x\xD800y"), "x\xEF\xBF\xBDy");  // lone surrogate
}

TEST(CodePage, SupplementaryCharactersUseSurrogatePairs) {
    std::u16string wide = platform::AnsiToWide("\xF0\x9F\x90\xA6");
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0], 0xD83D);
    EXPECT_EQ(wide[1], 0xDC26);
    EXPECT_EQ(platform::WideToAnsi(wide), "\xF0\x9F\x90\xA6");
}

TEST(CodePage, ValidityAgreesWithTheConversion) {
    for (std::string text : {"", "plain", "caf\xC3\xA9", "\xF0\x9F\x90\xA6",
                             "a\x80"
                             "b",
                             "\xE3\x81", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3"}) {
        bool roundTrips = platform::WideToAnsi(platform::AnsiToWide(text)) == text;
        EXPECT_EQ(platform::IsValidUtf8(text), roundTrips) << text;
    }
}

TEST(CodePage, AsciiRunsOfAnyLengthAroundOtherCharacters) {
    // Runs shorter than, equal to and longer than the 16-byte blocks the conversion takes at once,
    // and the 64-byte steps of the count.
    for (size_t n : {0, 1, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129}) {
        std::string a(n, 'a');
        std::u16string wa(n, u'a');
        std::string text = a + "\xC3\xA9" + a + "\x80" + a + "\xF0\x9F\x90\xA6" + a;
        std::u16string wide = platform::AnsiToWide(text);
        EXPECT_EQ(wide, wa + u"\u00E9" + wa + u"\uFFFD" + wa + u"\U0001F426" + wa) << n;
        EXPECT_EQ(platform::WideLength(text), wide.size()) << n;
        EXPECT_FALSE(platform::IsValidUtf8(text)) << n;
        EXPECT_TRUE(platform::IsValidUtf8(a + "\xC3\xA9" + a)) << n;
        EXPECT_EQ(platform::WideToAnsi(wa + u"\u00E9" + wa + u"\U0001F426" + wa),
                  a + "\xC3\xA9" + a + "\xF0\x9F\x90\xA6" + a)
            << n;
    }
}

TEST(CodePage, ReleasingConversionEqualsTheWholeConversion) {
    // The releasing conversion goes in 1 MiB slices: characters of every length, and bytes that
    // are no character, across each possible cut near a slice's end.
    for (std::string piece : {"\xC3\xA9", "\xE2\x98\x95", "\xF0\x9F\x90\xA6",
                              "\x80\x80\x80\x80\x80", "\xF0\x9F\x90", "\xE2"}) {
        for (size_t shift = 0; shift < 6; ++shift) {
            std::string text =
                std::string((1 << 20) - shift, 'x') + piece + std::string(70000, 'y');
            text += piece;
            std::u16string expected = platform::AnsiToWide(text);
            std::u16string out(expected.size(), u'\0');
            size_t written = platform::AnsiToWideReleasing(text, out.data(), out.size());
            ASSERT_EQ(written, expected.size()) << shift;
            ASSERT_EQ(out, expected) << shift;
            EXPECT_TRUE(text.empty());
        }
    }
}
