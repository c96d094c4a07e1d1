#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "oauth/OAuth.h"
#include "oauth/UrlEncode.h"

TEST(OAuthEncoding, PercentAndFormEncodings) {
    struct Case {
        std::string input, oauth, form;
    };
    const std::vector<Case> cases = {
        {" ", "%20", "+"},
        {"\t\n\r\v\f", "%20%20%20%20%20", "+++++"},
        {"+", "%2B", "%2B"},
        {"-._~", "-._~", "%2D%2E%5F%7E"},
        {"%", "%25", "%25"},
        {"\xE9", "%E9", "%E9"},
        {"aZ09", "aZ09", "aZ09"},
        {"", "", ""},
        {"*!&=", "%2A%21%26%3D", "%2A%21%26%3D"},
        {"caf\xC3\xA9", "caf%C3%A9", "caf%C3%A9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(COAuth::PercentEncode(c.input), c.oauth) << c.input;
        EXPECT_EQ(COAuth::FormEncode(c.input), c.form) << c.input;
    }
    CZelString kept("a/b c");
    UrlEncode(kept, "/");
    EXPECT_STREQ(kept.c_str(), "a/b+c");
}

TEST(OAuthEncoding, NormalizeParametersSortsWholePairs) {
    ParameterMap params;
    params.Assign("b", "2");
    params.Assign("a", "1");
    EXPECT_STREQ(COAuth::NormalizeParameters(params).c_str(), "a=1&b=2");
    ParameterMap prefix;
    prefix.Assign("a", "1");
    prefix.Assign("a-b", "2");
    EXPECT_STREQ(COAuth::NormalizeParameters(prefix).c_str(), "a-b=2&a=1");
    EXPECT_STREQ(COAuth::FormString(prefix).c_str(), "a=1&a-b=2");  // the map's own order
    prefix.Insert("a", "replaced?");
    EXPECT_EQ(*prefix.Find("a"), "1");
    EXPECT_STREQ(COAuth::NormalizeParameters(ParameterMap{}).c_str(), "");
}

// Names built from a few bytes around '=' make every kind of prefix: the pairs must come out as a
// plain sort of the whole encoded pairs would put them.
TEST(OAuthEncoding, NormalizeParametersAgreesWithSortingWholePairs) {
    std::mt19937 random(7);
    const std::string bytes = "a-=_\x01~";
    for (int round = 0; round < 2000; ++round) {
        ParameterMap params;
        for (int n = static_cast<int>(random() % 6); n > 0; --n) {
            std::string name(1 + random() % 3, ' '), value(random() % 3, ' ');
            for (char& ch : name) ch = bytes[random() % bytes.size()];
            for (char& ch : value) ch = bytes[random() % bytes.size()];
            params.Assign(name, value);
        }
        std::vector<std::string> pairs;
        for (const auto& [name, value] : params) pairs.push_back(name + "=" + OAuthEncoded(value));
        std::sort(pairs.begin(), pairs.end());
        std::string expected;
        for (const auto& pair : pairs) expected += (expected.empty() ? "" : "&") + pair;
        ASSERT_EQ(COAuth::NormalizeParameters(params).Str(), expected);
    }
}

TEST(OAuthEncoding, ParseParametersFieldRules) {
    ParameterMap params;
    COAuth::ParseParameters("oauth_token=T&oauth_token_secret=S&user_id=7", params);
    EXPECT_EQ(params.Size(), 3u);
    EXPECT_EQ(*params.Find("user_id"), "7");
    COAuth::ParseParameters("a=1&&b=2", params);
    EXPECT_EQ(params.Size(), 1u);
    COAuth::ParseParameters("a=b=c", params);
    EXPECT_EQ(*params.Find("a"), "b");
    COAuth::ParseParameters("x=1&x=2&flag&", params);
    EXPECT_EQ(params.Size(), 2u);
    EXPECT_EQ(*params.Find("x"), "2");
    EXPECT_EQ(*params.Find("flag"), "");
    COAuth::ParseParameters("", params);
    EXPECT_TRUE(params.Empty());
    COAuth::ParseParameters("v=a%20b+c", params);
    EXPECT_EQ(*params.Find("v"), "a%20b+c");  // nothing is decoded
}

TEST(OAuthEncoding, NormalizeUrlTable) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://h:80/a/b?c=d", "http://h/a/b"},
        {"https://H:443/x", "https://h/x"},
        {"http://h:8080/A?b", "http://h:8080/A"},
        {"HTTP://h:80/x", "http://h:80/x"},
        {"https://h:80/x", "https://h:80/x"},
        {"http://h", "http://h"},
        {"://h/x", "http://h/x"},
        {"http://Api.Example.COM/1/Statuses/Update.xml",
         "http://api.example.com/1/Statuses/Update.xml"},
        {"", "http://"},
    };
    for (const auto& [url, normalized] : cases)
        EXPECT_EQ(COAuth::NormalizeUrl(url.c_str()).Str(), normalized) << url;
}
