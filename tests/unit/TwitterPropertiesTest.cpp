#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "component/Twitter.h"
#include "platform/ProfileFile.h"

namespace {

using TextGetter = HRESULT (CTwitter::*)(BSTR*);
using TextSetter = HRESULT (CTwitter::*)(BSTR);

struct TextProperty {
    const char* name;
    TextGetter get;
    TextSetter put;
};

const TextProperty kTextProperties[] = {
    {"LogFile", &CTwitter::get_LogFile, &CTwitter::put_LogFile},
    {"ConsumerKey", &CTwitter::get_ConsumerKey, &CTwitter::put_ConsumerKey},
    {"ConsumerSecret", &CTwitter::get_ConsumerSecret, &CTwitter::put_ConsumerSecret},
    {"AccessToken", &CTwitter::get_AccessToken, &CTwitter::put_AccessToken},
    {"AccessTokenSecret", &CTwitter::get_AccessTokenSecret, &CTwitter::put_AccessTokenSecret},
    {"ProxyServer", &CTwitter::get_ProxyServer, &CTwitter::put_ProxyServer},
    {"ProxyAccount", &CTwitter::get_ProxyAccount, &CTwitter::put_ProxyAccount},
    {"ProxyPassword", &CTwitter::get_ProxyPassword, &CTwitter::put_ProxyPassword},
    {"HttpLibrary", &CTwitter::get_HttpLibrary, &CTwitter::put_HttpLibrary},
};

std::string Get(CTwitter& t, TextGetter get) {
    test::Bstr value;
    EXPECT_EQ((t.*get)(value.put()), S_OK);
    return value.Text();
}

void Put(CTwitter& t, TextSetter put, const char* text) {
    test::Bstr value(text);
    EXPECT_EQ((t.*put)(value.get()), S_OK);
}

}  // namespace

TEST(TwitterProperties, NewObjectHoldsTheDefaults) {
    CTwitter t;
    for (const auto& p : kTextProperties) EXPECT_EQ(Get(t, p.get), "") << p.name;
    LONG lastError = -1;
    t.get_LastError(&lastError);
    EXPECT_EQ(lastError, 0);
    VARIANT_BOOL ssl = VARIANT_TRUE;
    t.get_UseSSL(&ssl);
    EXPECT_EQ(ssl, VARIANT_FALSE);
    test::Bstr text;
    t.get_Version(text.put());
    EXPECT_EQ(text.Text(), "2.0-beta (x64)");
    t.get_Build(text.put());
    EXPECT_EQ(text.Text(), "2.0.10.816 (x64)");
    t.get_Module(text.put());
    EXPECT_EQ(text.Text(), "Warblerx64.dll");
    EXPECT_EQ(t.get_Version(nullptr), E_POINTER);
}

TEST(TwitterProperties, SettersReachTheObjectsThatHoldTheValues) {
    CTwitter t;
    for (const auto& p : kTextProperties) {
        Put(t, p.put, (std::string("v-") + p.name + " \xC3\xA9").c_str());
        EXPECT_EQ(Get(t, p.get), std::string("v-") + p.name + " \xC3\xA9");
    }
    CXTwitter& rest = t.Rest();
    EXPECT_STREQ(rest.ConsumerKey.c_str(), "v-ConsumerKey \xC3\xA9");
    EXPECT_STREQ(rest.Token.c_str(), "v-AccessToken \xC3\xA9");
    EXPECT_STREQ(rest.TokenSecret.c_str(), "v-AccessTokenSecret \xC3\xA9");
    EXPECT_STREQ(rest.Http.ProxyPassword.c_str(), "v-ProxyPassword \xC3\xA9");
    EXPECT_STREQ(rest.Http.Binding.LibraryName.c_str(), "v-HttpLibrary \xC3\xA9");
    // The log path reaches every object of the chain.
    EXPECT_STREQ(rest.GetLogFile().c_str(), "v-LogFile \xC3\xA9");
    EXPECT_STREQ(rest.Http.GetLogFile().c_str(), "v-LogFile \xC3\xA9");
    EXPECT_STREQ(rest.Http.Binding.GetLogFile().c_str(), "v-LogFile \xC3\xA9");
    // A value changed behind the property is what the getter reads.
    rest.Token.Assign("from-exchange");
    EXPECT_EQ(Get(t, &CTwitter::get_AccessToken), "from-exchange");
    Put(t, &CTwitter::put_AccessToken, nullptr);
    EXPECT_EQ(Get(t, &CTwitter::get_AccessToken), "");
}

TEST(TwitterProperties, UseSslIsCoercedAndSwitchesAllFourUrls) {
    CTwitter t;
    CXTwitter& rest = t.Rest();
    std::string api = CXTwitter::ApiHost().Str(), oauth = CXTwitter::OAuthHost().Str();
    EXPECT_EQ(rest.RestBaseUrl.Str(), "http://" + api + "/1/");
    t.put_UseSSL(5);
    VARIANT_BOOL ssl = 0;
    t.get_UseSSL(&ssl);
    EXPECT_EQ(ssl, VARIANT_TRUE);
    EXPECT_EQ(rest.RestBaseUrl.Str(), "https://" + api + "/1/");
    EXPECT_EQ(rest.RequestTokenUrl.Str(), "https://" + oauth + "/oauth/request_token");
    EXPECT_EQ(rest.AccessTokenUrl.Str(), "https://" + oauth + "/oauth/access_token");
    EXPECT_EQ(rest.AuthorizeUrl.Str(), "https://" + oauth + "/oauth/authorize");
    t.put_UseSSL(VARIANT_FALSE);
    EXPECT_EQ(rest.AuthorizeUrl.Str(), "http://" + oauth + "/oauth/authorize");
    EXPECT_STREQ(rest.Realm.c_str(), "Twitter API");
}

TEST(TwitterProperties, HostNamesComeFromTheEnvironment) {
    setenv("WARBLER_API_HOST", "127.0.0.1:8080", 1);
    setenv("WARBLER_OAUTH_HOST", "localhost:8081", 1);
    CTwitter t;
    unsetenv("WARBLER_API_HOST");
    unsetenv("WARBLER_OAUTH_HOST");
    EXPECT_STREQ(t.Rest().RestBaseUrl.c_str(), "http://127.0.0.1:8080/1/");
    EXPECT_STREQ(t.Rest().RequestTokenUrl.c_str(), "http://localhost:8081/oauth/request_token");
    CTwitter defaults;
    EXPECT_STREQ(defaults.Rest().RestBaseUrl.c_str(), "http://api.twitter.com/1/");
    EXPECT_STREQ(defaults.Rest().AuthorizeUrl.c_str(), "http://twitter.com/oauth/authorize");
}

TEST(TwitterProperties, ClearKeepsLogFileAndHttpLibraryOnly) {
    CTwitter t;
    for (const auto& p : kTextProperties) Put(t, p.put, p.name);
    t.put_UseSSL(VARIANT_TRUE);
    EXPECT_EQ(t.Clear(), S_OK);
    for (const auto& p : kTextProperties) {
        bool kept = std::string(p.name) == "LogFile" || std::string(p.name) == "HttpLibrary";
        EXPECT_EQ(Get(t, p.get), kept ? p.name : "") << p.name;
    }
    VARIANT_BOOL ssl = VARIANT_TRUE;
    t.get_UseSSL(&ssl);
    EXPECT_EQ(ssl, VARIANT_FALSE);
    EXPECT_EQ(t.Rest().RestBaseUrl.Str().rfind("http://", 0), 0u);
}

TEST(TwitterProperties, HttpLibraryChangeShutsTheClientDown) {
    CTwitter t;
    CZelHttpEx& http = t.Rest().Http;
    Put(t, &CTwitter::put_HttpLibrary, "first.so");
    http.Initialized = 1;  // stands for a client that has served requests
    Put(t, &CTwitter::put_HttpLibrary, "first.so");
    EXPECT_TRUE(http.IsInitialized());  // the same text changes nothing
    Put(t, &CTwitter::put_HttpLibrary, "First.so");
    EXPECT_FALSE(http.IsInitialized());  // the comparison respects case
}

TEST(TwitterProperties, GetErrorDescriptionLeavesLastErrorAlone) {
    CTwitter t;
    test::Bstr text;
    EXPECT_EQ(t.GetErrorDescription(35013, text.put()), S_OK);
    EXPECT_EQ(text.Text(),
              "Error while initiazing the MSXML component and parsing the twitter response body");
    // Client codes and codes beyond the table have no text of their own.
    for (LONG code : {-103, 22411, 35021}) {
        EXPECT_EQ(t.GetErrorDescription(code, text.put()), S_OK);
        EXPECT_EQ(text.Text(), "Generic Error") << code;
    }
    LONG lastError = -1;
    t.get_LastError(&lastError);
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(t.GetErrorDescription(0, nullptr), E_POINTER);
}

// Read, and on Linux never written: the file is the package's configuration file.
TEST(TwitterProperties, CacheTimeoutIsReadAndNeverWritten) {
    test::TempDir dir;
    std::string settings = dir.File("settings.ini");
    test::ScopedSettings scope(settings);

    EXPECT_EQ(CTwitter().CacheTimeout(), 60u);  // absent: the default, and no file made
    EXPECT_FALSE(platform::FileExists(settings.c_str()));

    test::WriteFile(settings, "[warbler suite]\ncachetimeoutseconds=0\n");
    EXPECT_EQ(CTwitter().CacheTimeout(), 0u);
    test::WriteFile(settings, "[Warbler Suite]\nCacheTimeoutSeconds=4294967295\n");
    EXPECT_EQ(CTwitter().CacheTimeout(), 4294967295u);

    for (const char* bad : {"-5", "12x", "4294967296", ""}) {
        test::WriteFile(settings,
                        std::string("[Warbler Suite]\nCacheTimeoutSeconds=") + bad + "\n");
        EXPECT_EQ(CTwitter().CacheTimeout(), 60u) << bad;
        EXPECT_EQ(test::ReadFile(settings),
                  std::string("[Warbler Suite]\nCacheTimeoutSeconds=") + bad + "\n");
    }
}

TEST(TwitterProperties, UnwritableSettingsAreIgnored) {
    test::TempDir dir;
    test::ScopedSettings scope(dir.File("missing/deeper/settings.ini"));
    EXPECT_EQ(CTwitter().CacheTimeout(), 60u);
}
