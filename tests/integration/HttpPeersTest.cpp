// The HTTP client against real servers on loopback: nginx (HTTP, HTTPS, basic authentication,
// redirects, a large body, keep-alive), tinyproxy (proxy authentication, CONNECT) and apache2
// (Digest authentication).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Peers.h"
#include "component/Twitter.h"
#include "http/ZelHttpEx.h"

namespace {

struct Servers {
    test::TempDir nginxDir, proxyDir, apacheDir;
    int http = 0, https = 0, proxy = 0, digest = 0;
    std::unique_ptr<peers::Peer> nginx, tinyproxy, apache;
};

Servers* g_servers = nullptr;

class HttpPeers : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        g_servers = new Servers;
        Servers& s = *g_servers;
        s.http = peers::FreePort();
        s.https = peers::FreePort();
        s.proxy = peers::FreePort();
        s.digest = peers::FreePort();
        s.nginx = std::make_unique<peers::Peer>(
            "start_nginx.sh",
            std::vector<std::string>{s.nginxDir.Path(), std::to_string(s.http),
                                     std::to_string(s.https)},
            s.http);
        s.tinyproxy = std::make_unique<peers::Peer>(
            "start_tinyproxy.sh",
            std::vector<std::string>{s.proxyDir.Path(), std::to_string(s.proxy),
                                     std::to_string(s.https)},
            s.proxy);
        s.apache = std::make_unique<peers::Peer>(
            "start_apache_digest.sh",
            std::vector<std::string>{s.apacheDir.Path(), std::to_string(s.digest)}, s.digest);
    }
    static void TearDownTestSuite() {
        delete g_servers;  // the servers stop before their folders go
    }

    void SetUp() override {
        ASSERT_TRUE(s.nginx->Running() && s.tinyproxy->Running() && s.apache->Running());
        setenv("SSL_CERT_FILE", s.nginxDir.File("ca.crt").c_str(), 1);
        http.SetLogFile(log.c_str());
    }
    void TearDown() override {
        http.Shutdown();
        unsetenv("SSL_CERT_FILE");
        std::remove(log.c_str());
    }

    std::string Url(const std::string& path, bool secure = false) const {
        return (secure ? "https://127.0.0.1:" + std::to_string(s.https)
                       : "http://127.0.0.1:" + std::to_string(s.http)) +
               path;
    }
    // nginx writes a request's log line after its response went out: wait for the lines.
    std::string AccessLog(size_t lines, const std::string& containing) const {
        std::string access;
        for (int i = 0; i < 100; ++i) {
            access = test::ReadFile(s.nginxDir.File("access.log"));
            size_t count = 0;
            for (size_t at = access.find(containing); at != std::string::npos;
                 at = access.find(containing, at + 1))
                ++count;
            if (count >= lines)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return access;
    }
    // The nginx connection numbers of the access log's lines for a path, in order.
    std::vector<std::string> Connections(const std::string& path, size_t expected) const {
        std::vector<std::string> found;
        std::string access = AccessLog(expected, "GET " + path);
        std::regex line("\"GET " + std::regex_replace(path, std::regex("\\?"), "\\?") +
                        " HTTP/1.1\" \\d+ \\d+ conn=(\\d+) reqs=\\d+");
        for (auto it = std::sregex_iterator(access.begin(), access.end(), line);
             it != std::sregex_iterator(); ++it)
            found.push_back((*it)[1]);
        return found;
    }

    Servers& s = *g_servers;
    std::string log = s.nginxDir.File("client-") +
                      testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    CZelHttpEx http;
    CZelString response;
};

}  // namespace

TEST_F(HttpPeers, PlainAndSecureGet) {
    ASSERT_EQ(http.Initialize(), 0);
    EXPECT_EQ(http.Get(Url("/data.xml").c_str(), response), 0);
    EXPECT_EQ(http.LastStatusCode, 200u);
    EXPECT_EQ(response.Str(),
              "<?xml version=\"1.0\"?>\n<root><item id=\"1\">hello</item></root>\n");
    EXPECT_EQ(http.Get(Url("/data.xml", true).c_str(), response), 0);
    EXPECT_EQ(http.LastStatusCode, 200u);
    EXPECT_NE(response.Str().find("hello"), std::string::npos);
    EXPECT_EQ(http.Get(Url("/missing.xml").c_str(), response), 0);
    EXPECT_EQ(http.LastStatusCode, 404u);
    EXPECT_NE(response.Str().find("404"), std::string::npos);
}

TEST_F(HttpPeers, UntrustedCertificateIsRefused) {
    unsetenv("SSL_CERT_FILE");
    ASSERT_EQ(http.Initialize(), 0);
    EXPECT_EQ(http.Get(Url("/data.xml", true).c_str(), response), 22450);
    EXPECT_NE(test::ReadFile(log).find(
                  "] failed in WinHttpSendRequest: [12175: the server's certificate is not "
                  "trusted or TLS failed] (SSL certificate problem: "),
              std::string::npos);
}

TEST_F(HttpPeers, DigestAuthenticationRetries) {
    ASSERT_EQ(http.Initialize(), 0);
    http.WebAccount.Assign("user");
    http.WebPassword.Assign("pass");
    std::string url = "http://127.0.0.1:" + std::to_string(s.digest) + "/digest/d.xml";
    EXPECT_EQ(http.Get(url.c_str(), response), 0);
    EXPECT_EQ(http.LastStatusCode, 200u);
    EXPECT_NE(response.Str().find("<digest-ok/>"), std::string::npos);
    EXPECT_NE(test::ReadFile(log).find("trying again using [DIGEST AUTH]"), std::string::npos);
}

TEST_F(HttpPeers, RedirectsAreFollowed) {
    ASSERT_EQ(http.Initialize(), 0);
    EXPECT_EQ(http.Get(Url("/r301").c_str(), response), 0);
    EXPECT_EQ(http.LastStatusCode, 200u);
    EXPECT_NE(response.Str().find("hello"), std::string::npos);
    // "data.xml" after /r302 is taken relative to the URL with a slash added.
    EXPECT_EQ(http.Get(Url("/r302").c_str(), response), 0);
    EXPECT_EQ(http.LastStatusCode, 404u);
    EXPECT_NE(test::ReadFile(log).find("--> Redirected to: [" + Url("/r302/data.xml") + "]"),
              std::string::npos);
}

TEST_F(HttpPeers, ConnectionIsKeptAliveUntilTheLibraryChanges) {
    CTwitter twitter;
    CZelHttpEx& client = twitter.Rest().Http;
    ASSERT_EQ(client.Initialize(), 0);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(client.Get(Url("/data.xml?keep").c_str(), response), 0);
    std::string module = std::string(BIN_DIR) + "/libwarbler_winhttp.so";
    BSTR name = CZelString(module.c_str()).ToBSTR();
    twitter.put_HttpLibrary(name);
    SysFreeString(name);
    EXPECT_FALSE(client.IsInitialized());
    ASSERT_EQ(client.Initialize(), 0);
    ASSERT_EQ(client.Get(Url("/data.xml?keep").c_str(), response), 0);
    std::vector<std::string> conns = Connections("/data.xml?keep", 5);
    ASSERT_EQ(conns.size(), 5u);
    EXPECT_EQ(std::set<std::string>(conns.begin(), conns.begin() + 4).size(), 1u);
    EXPECT_NE(conns[4], conns[0]);
}

namespace {

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace

// Credentials a proxy accepted stay with the session, as with WinHTTP: a server's challenge
// behind the proxy is answered, and wrong credentials end within a few requests.
TEST_F(HttpPeers, ProxyWithCredentials) {
    http.ProxyServer.Assign(("127.0.0.1:" + std::to_string(s.proxy)).c_str());
    ASSERT_EQ(http.Initialize(), 0);
    // tinyproxy answers wrong proxy credentials with 401: the request ends as a failed logon.
    EXPECT_EQ(http.Get(Url("/data.xml").c_str(), response), 22412);
    EXPECT_LE(CountOf(test::ReadFile(log), "HTTP response code:"), 4u);
    http.Shutdown();  // proxy settings and the credentials they earned belong to a session

    http.ProxyAccount.Assign("user");
    http.ProxyPassword.Assign("pass");
    ASSERT_EQ(http.Initialize(), 0);
    // The secure request first: its CONNECT meets the proxy's 407, which is answered like any.
    for (bool secure : {true, false}) {
        EXPECT_EQ(http.Get(Url("/data.xml", secure).c_str(), response), 0) << secure;
        EXPECT_EQ(http.LastStatusCode, 200u);
        EXPECT_NE(response.Str().find("hello"), std::string::npos);
    }
    // The refused CONNECT has no body to fail: nothing is said to have failed.
    EXPECT_EQ(test::ReadFile(log).find("failed in"), std::string::npos);
    // Behind the proxy, a server that asks for its own account.
    http.WebAccount.Assign("user");
    http.WebPassword.Assign("pass");
    EXPECT_EQ(http.Get(Url("/private/s.xml").c_str(), response), 0);
    EXPECT_NE(response.Str().find("<secret/>"), std::string::npos);
    http.WebPassword.Assign("wrong");
    EXPECT_EQ(http.Get(Url("/private/s.xml").c_str(), response), 22412);
    std::string trace = test::ReadFile(log);
    EXPECT_NE(trace.find("HTTP response code: [407]"), std::string::npos);
    EXPECT_NE(trace.find("Proxy account: user"), std::string::npos);
    EXPECT_EQ(trace.find("pass"), std::string::npos);
    EXPECT_LT(CountOf(trace, "HTTP response code:"), 20u);
}

// Through the proxy: a trailing '?' reaches the server; a secure request whose server the client
// does not trust fails to send, and the tunnel's "200 Connection established" is no response.
TEST_F(HttpPeers, ThroughTheProxyAsWinHttpHasIt) {
    http.ProxyServer.Assign(("127.0.0.1:" + std::to_string(s.proxy)).c_str());
    http.ProxyAccount.Assign("user");
    http.ProxyPassword.Assign("pass");
    ASSERT_EQ(http.Initialize(), 0);
    EXPECT_EQ(http.Get(Url("/data.xml?").c_str(), response), 0);
    EXPECT_NE(AccessLog(1, "GET /data.xml? ").find("\"GET /data.xml? HTTP/1.1\" 200"),
              std::string::npos);
    for (int i = 0; i < 2; ++i) {  // a new tunnel, then the same one again
        EXPECT_EQ(http.Get(Url("/data.xml", true).c_str(), response), 0);
        EXPECT_NE(response.Str().find("hello"), std::string::npos);
    }
    unsetenv("SSL_CERT_FILE");
    http.Shutdown();
    ASSERT_EQ(http.Initialize(), 0);
    std::remove(log.c_str());
    EXPECT_EQ(http.Get(Url("/data.xml", true).c_str(), response), 22450);
    EXPECT_EQ(test::ReadFile(log).find("HTTP response code: [200]"), std::string::npos);
}

TEST_F(HttpPeers, ClosedPortIsReported) {
    ASSERT_EQ(http.Initialize(), 0);
    int port = peers::FreePort();
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    EXPECT_EQ(http.Get(url.c_str(), response), 22024);
    EXPECT_EQ(http.LastFailure.Str().rfind("Request to [127.0.0.1:" + std::to_string(port) +
                                               "] failed in WinHttpSendRequest: [12029: the "
                                               "connection to the server failed] (",
                                           0),
              0u);
}
