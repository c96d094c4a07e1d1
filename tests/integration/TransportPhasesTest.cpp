// The transport's three phases against servers that break a reply in each of them: the failure
// comes from the call where WinHTTP reports it, and the engine gives WinHTTP's codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "Peers.h"
#include "http/ZelHttpEx.h"

namespace {

peers::BrokenServers* g_broken = nullptr;

class TransportPhases : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        g_broken =
            new peers::BrokenServers({"silent", "close", "garbage", "short", "stall", "repeated",
                                      "bighead", "longline", "cookie", "fragment", "proxyauth"});
    }
    static void TearDownTestSuite() { delete g_broken; }
    void SetUp() override {
        http.SetLogFile(log.c_str());
        http.ReceiveTimeout = 1500;  // the engine's 10 s, shortened for the test
        ASSERT_EQ(http.Initialize(), 0);
    }
    void TearDown() override { http.Shutdown(); }

    int32_t Get(const char* mode, const char* path = "/x") {
        return http.Get(g_broken->Url(mode, path).c_str(), response);
    }
    std::string Trace() const { return test::ReadFile(log); }

    std::string log = g_broken->Dir() + "/client-" +
                      testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    CZelHttpEx http;
    CZelString response;
};

}  // namespace

TEST_F(TransportPhases, NoReplyOrAnOversizedHeadIsNoResponse) {
    for (const char* mode : {"silent", "close", "garbage", "bighead", "longline"}) {
        EXPECT_EQ(Get(mode), 22407) << mode;
        EXPECT_EQ(Trace().find("HTTP response code"), std::string::npos) << mode;
    }
}

// Each failure says why in one line: where the attempt ended, WinHTTP's number and its meaning,
// and the transport's own words.
TEST_F(TransportPhases, AFailureSaysWhy) {
    const std::pair<const char*, std::string> cases[] = {
        {"silent",
         "failed in WinHttpReceiveResponse: [12002: the operation timed out] "
         "(nothing came for 1500 ms)"},
        {"close",
         "failed in WinHttpReceiveResponse: [12152: the server's response cannot be "
         "parsed] ("},
        {"garbage",
         "failed in WinHttpReceiveResponse: [12152: the server's response cannot be "
         "parsed] ("},
        {"bighead",
         "failed in WinHttpReceiveResponse: [12182: the response head is too large] "
         "(the response head is larger than 64 KiB)"},
        {"longline",
         "failed in WinHttpReceiveResponse: [12182: the response head is too large] "
         "(the response head is larger than 64 KiB)"},
        {"short", "failed in WinHttpReadData: [12030: the connection was reset or closed] ("},
    };
    for (const auto& [mode, words] : cases) {
        std::remove(log.c_str());
        Get(mode);
        std::string trace = Trace();
        std::string line = "Request to [127.0.0.1:" + g_broken->Url(mode).substr(17);
        line = line.substr(0, line.find('/')) + "] " + words;
        EXPECT_NE(trace.find(line), std::string::npos) << mode << "\n" << trace;
        EXPECT_EQ(http.LastFailure.Str().rfind(line.substr(0, line.find(" (")), 0), 0u) << mode;
    }
}

// Cookies a server sets go back to it on the session's later requests, as WinHTTP sends them.
TEST_F(TransportPhases, TheSessionKeepsItsCookies) {
    ASSERT_EQ(Get("cookie"), 0);
    EXPECT_EQ(response.Str().find("Cookie:"), std::string::npos);
    ASSERT_EQ(Get("cookie"), 0);
    EXPECT_NE(response.Str().find("\r\nCookie: visit=1\r\n"), std::string::npos) << response.Str();
}

// Credentials a proxy accepted go with every later request of the session, on the connection the
// accepted one used: no second challenge and no new connection. (The first answer to the
// challenge takes a new connection: libcurl opens one for a request that newly carries proxy
// credentials.)
TEST_F(TransportPhases, AProxysAcceptedCredentialsKeepItsConnection) {
    http.Shutdown();
    std::string proxy = g_broken->Url("proxyauth", "");
    http.ProxyServer.Assign(proxy.substr(proxy.find("//") + 2).c_str());
    http.ProxyAccount.Assign("user");
    http.ProxyPassword.Assign("pass");
    ASSERT_EQ(http.Initialize(), 0);
    // The proxy answers itself: nothing is asked of this address.
    ASSERT_EQ(http.Get("http://127.0.0.1:9/x", response), 0);
    std::string accepted = response.Str();
    EXPECT_EQ(accepted.rfind("connections=", 0), 0u);
    std::remove(log.c_str());
    ASSERT_EQ(http.Get("http://127.0.0.1:9/y", response), 0);
    EXPECT_EQ(response.Str(), accepted);
    EXPECT_EQ(Trace().find("HTTP response code: [407]"), std::string::npos);
}

// A redirect's fragment names a place in the document: what is asked for next is without it.
TEST_F(TransportPhases, ARedirectIsFollowedWithoutItsFragment) {
    ASSERT_EQ(Get("fragment", "/start"), 0);
    EXPECT_EQ(response.Str().rfind("GET /frag.xml HTTP/1.1\r\n", 0), 0u) << response.Str();
    EXPECT_NE(Trace().find("/frag.xml#part]"), std::string::npos);  // the log shows it as given
}

TEST_F(TransportPhases, ABrokenBodyFailsTheReadAndKeepsWhatCame) {
    for (const char* mode : {"short", "stall"}) {
        EXPECT_EQ(Get(mode), 22415) << mode;
        EXPECT_EQ(http.LastStatusCode, 200u) << mode;
        EXPECT_EQ(response.Str(), "abc") << mode;
    }
    EXPECT_NE(Trace().find("HTTP response code: [200]"), std::string::npos);
}

TEST_F(TransportPhases, WireDetailsAsWinHttpHasThem) {
    ASSERT_EQ(Get("repeated", "/with a blank"), 0);
    EXPECT_EQ(response.Str().substr(0, response.Str().find('\n')),
              "GET /with%20a%20blank HTTP/1.1");
    EXPECT_EQ(response.Str().find("Accept:"), std::string::npos);
    // The first of a repeated header; nothing of the interim block; a folded line joined.
    EXPECT_NE(Trace().find("HTTP remote server: [one]"), std::string::npos);
    EXPECT_NE(Trace().find("HTTP proxy server: [1.1 a, 1.1 b]"), std::string::npos);
    EXPECT_NE(Trace().find("HTTP response text: [Fine Thanks]"), std::string::npos);
}

// The request line carries the path as the engine built it: dot segments and a trailing '?' go
// out as they are, the bytes WinHTTP escapes ('#', braces, '|', '^', '`', beyond ASCII) as %XX;
// the engine's bypass of caches goes out as WinHTTP sends it.
TEST_F(TransportPhases, ThePathGoesOutAsWinHttpSendsItAndCachesAreBypassed) {
    for (auto [path, sent] :
         {std::pair<const char*, const char*>{"/1/a/../b.xml?x=1#frag", "/1/a/../b.xml?x=1%23frag"},
          {"/1/./c.xml?", "/1/./c.xml?"},
          {"/{a}|^`/caf\xC3\xA9", "/%7Ba%7D%7C%5E%60/caf%C3%A9"}}) {
        ASSERT_EQ(Get("repeated", path), 0) << path;
        EXPECT_EQ(response.Str().substr(0, response.Str().find('\n')),
                  "GET " + std::string(sent) + " HTTP/1.1");
        EXPECT_NE(response.Str().find("\r\nPragma: no-cache\r\n"), std::string::npos);
        EXPECT_NE(response.Str().find("\r\nCache-Control: no-cache\r\n"), std::string::npos);
    }
}

namespace {

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace

// Each HttpLibrary switch unloads the module: what it allocated goes with it.
TEST(TransportModule, LoadingAndUnloadingLeavesNothingBehind) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP()
        << "AddressSanitizer keeps freed memory in quarantine: the resident set says nothing";
#endif
    CZelHttpEx client;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(client.Initialize(), 0);
        client.Shutdown();
    }
    long before = ResidentKiB();
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(client.Initialize(), 0);
        client.Shutdown();
    }
    EXPECT_LT(ResidentKiB() - before, 360);  // a handle table kept per load cost 720 KiB
}
