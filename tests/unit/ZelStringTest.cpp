#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "common/ZelString.h"

TEST(ZelString, NullSourcesGiveTheEmptyString) {
    EXPECT_TRUE(CZelString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_TRUE(CZelString(static_cast<const OLECHAR*>(nullptr)).IsEmpty());
    CZelString s("x");
    s.Assign(static_cast<const char*>(nullptr));
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_STREQ(CZelString(-42).c_str(), "-42");
    EXPECT_STREQ(CZelString('q').c_str(), "q");
}

TEST(ZelString, BstrRoundTripKeepsNonAsciiText) {
    const char* text = "caf\xC3\xA9 \xF0\x9F\x90\xA6 \xE3\x81\x9F";  // café, a bird, a kana
    test::Bstr wide(text);
    EXPECT_EQ(SysStringLen(wide.get()), 9u);  // the bird takes a surrogate pair
    EXPECT_EQ(wide.Text(), text);
}

TEST(ZelString, FormatKeepsAtMost2047Characters) {
    std::string longText(5000, 'x');
    CZelString s;
    s.Format("%s", longText.c_str());
    EXPECT_EQ(s.Length(), 2047u);
    s.FormatSized("<%s>", longText.c_str());
    EXPECT_EQ(s.Length(), 5002u);
}

TEST(ZelString, FormatSizedConvertsBstrArguments) {
    test::Bstr bob(
        "b\xC3\xB6"
        "b");
    CZelString s;
    s.FormatSized("@%ls %d|%5s|%-3s|%.2f|%%", bob.get(), 7, "ab", "c", 1.5);
    EXPECT_STREQ(s.c_str(),
                 "@b\xC3\xB6"
                 "b 7|   ab|c  |1.50|%");
    s.FormatSized("%ls", static_cast<BSTR>(nullptr));
    EXPECT_STREQ(s.c_str(), "");
}

TEST(ZelString, ReplaceWithoutCaseAndWithoutRescanning) {
    CZelString s("Aa");
    s.Replace("a", "b", false);
    EXPECT_STREQ(s.c_str(), "bb");

    CZelString keepCase("xAx");
    keepCase.Replace("a", "b", true);
    EXPECT_STREQ(keepCase.c_str(), "xAx");

    CZelString line("one\r\ntwo\rthree\nfour");
    line.Replace("\r\n", " <CRLF> ", true);
    line.Replace("\r", " <CR> ", true);
    line.Replace("\n", " <LF> ", true);
    EXPECT_STREQ(line.c_str(), "one <CRLF> two <CR> three <LF> four");

    CZelString grows("aaa");
    grows.Replace("a", "aa", true);  // the replacement is never scanned again
    EXPECT_STREQ(grows.c_str(), "aaaaaa");
    grows.Replace("", "x", true);
    EXPECT_STREQ(grows.c_str(), "aaaaaa");
}

TEST(ZelString, Predicates) {
    EXPECT_TRUE(CZelString("").IsAllDigits());
    EXPECT_TRUE(CZelString("0123456789").IsAllDigits());
    EXPECT_FALSE(CZelString("12a").IsAllDigits());
    EXPECT_FALSE(CZelString("-1").IsAllDigits());

    CZelString host("API.example.com/1/");
    EXPECT_TRUE(host.StartsWith("api.", false));
    EXPECT_FALSE(host.StartsWith("api.", true));
    EXPECT_FALSE(host.StartsWith("API.example.com/1/x", false));
    EXPECT_TRUE(host.Contains("EXAMPLE", false));
    EXPECT_FALSE(host.Contains("EXAMPLE", true));
    EXPECT_FALSE(host.Contains("", false));
    EXPECT_FALSE(CZelString("").Contains("a", false));
}

TEST(ZelString, EditingOperations) {
    CZelString s(" \t\r\nhello world \n");
    s.Trim();
    EXPECT_STREQ(s.c_str(), "hello world");
    CZelString blank(" \r\n\t ");
    blank.Trim();
    EXPECT_TRUE(blank.IsEmpty());

    CZelString path("///statuses/update");
    path.StripLeading('/');
    EXPECT_STREQ(path.c_str(), "statuses/update");
    CZelString slashes("//");
    slashes.StripLeading('/');
    EXPECT_TRUE(slashes.IsEmpty());

    CZelString dir("a/b");
    dir.EnsureTrailing('/');
    dir.EnsureTrailing('/');
    EXPECT_STREQ(dir.c_str(), "a/b/");

    CZelString message("@bob hi");
    message.Prepend("@bob ");
    EXPECT_STREQ(message.c_str(), "@bob hi");
    message.Prepend("@bob ", true);
    EXPECT_STREQ(message.c_str(), "@bob @bob hi");
    CZelString other("@BOB hi");
    other.Prepend("@bob ");
    EXPECT_STREQ(other.c_str(), "@bob @BOB hi");

    CZelString mixed("aZ-9\xC3\xA9");
    mixed.MakeUpper();
    EXPECT_STREQ(mixed.c_str(), "AZ-9\xC3\xA9");
    mixed.MakeLower();
    EXPECT_STREQ(mixed.c_str(), "az-9\xC3\xA9");
}

TEST(ZelString, GetTokenSequentialAndRandomAccessAgree) {
    CZelString s("a::b::::c");
    EXPECT_STREQ(s.GetToken("::", "-", 0).c_str(), "a");
    EXPECT_STREQ(s.GetToken("::", "-", 1).c_str(), "b");  // continues from the remembered field
    EXPECT_STREQ(s.GetToken("::", "-", 2).c_str(), "-");  // empty field gives the default
    EXPECT_STREQ(s.GetToken("::", "-", 3).c_str(), "c");
    EXPECT_STREQ(s.GetToken("::", "-", 4).c_str(), "-");  // missing field
    EXPECT_STREQ(s.GetToken("::", "-", 1).c_str(), "b");  // restarts from the beginning
    EXPECT_STREQ(s.GetToken("::", "-", 3).c_str(), "c");
    EXPECT_STREQ(s.GetToken("::", "-", 0).c_str(), "a");
    EXPECT_STREQ(s.GetToken("b", "-", 1).c_str(), "::::c");  // another separator is not continued
    EXPECT_EQ(s.CountTokens("::"), 2);

    s.Assign("x/y");  // a new text forgets the remembered position
    EXPECT_STREQ(s.GetToken("/", "", 1).c_str(), "y");
    EXPECT_STREQ(CZelString("").GetToken("/", "def", 0).c_str(), "def");
    EXPECT_STREQ(CZelString("abc").GetToken("", "def", 0).c_str(), "abc");
    EXPECT_STREQ(CZelString("abc").GetToken("", "def", 1).c_str(), "def");
}

TEST(ZelString, GetTokenIntReadsDecimalWithDefault) {
    CZelString host("example.com:8080");
    EXPECT_EQ(host.GetTokenInt(":", 80, 1), 8080);
    CZelString bare("example.com");
    EXPECT_EQ(bare.GetTokenInt(":", 443, 1), 443);
    CZelString empty("h:");
    EXPECT_EQ(empty.GetTokenInt(":", 80, 1), 80);
    CZelString huge("h:99999999999");
    EXPECT_EQ(huge.GetTokenInt(":", 80, 1), 2147483647);
    EXPECT_EQ(CZelString("a&b&&c").CountTokens("&"), 2);
    EXPECT_EQ(CZelString("&a").CountTokens("&"), 0);
}
