// Every request the signer makes is checked by an OAuth implementation that is not ours:
// python3-oauthlib behind a small echo provider. (The token exchange meets the simulator's
// endpoints in every client's end-to-end flow.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Peers.h"
#include "oauth/OAuth.h"

namespace {

struct Provider {
    std::string dir = peers::MakeServerDir();
    int http = peers::FreePort(), https = peers::FreePort();
    std::unique_ptr<peers::Peer> plain, secure;
};
Provider* g_provider = nullptr;

class OAuthVerification : public testing::TestWithParam<std::tuple<bool, bool>> {
  protected:
    static void SetUpTestSuite() {
        g_provider = new Provider;
        Provider& p = *g_provider;
        int made = std::system(
            ("cd '" + p.dir + "' && " + PEERS_DIR + "/gen_certs.sh '" + p.dir + "'").c_str());
        ASSERT_EQ(made, 0) << "the test certificates";
        std::string echo = std::string(INTEGRATION_DIR) + "/oauth_echo.py";
        p.plain = std::make_unique<peers::Peer>(
            "start_background.sh",
            std::vector<std::string>{p.dir + "/plain.log", "/usr/bin/python3", echo,
                                     std::to_string(p.http)},
            p.http);
        p.secure = std::make_unique<peers::Peer>(
            "start_background.sh",
            std::vector<std::string>{p.dir + "/secure.log", "/usr/bin/python3", echo,
                                     std::to_string(p.https), p.dir + "/server.crt",
                                     p.dir + "/server.key"},
            p.https);
    }
    static void TearDownTestSuite() {
        g_provider->plain.reset();
        g_provider->secure.reset();
        peers::RemoveDir(g_provider->dir);
        delete g_provider;
    }
    void SetUp() override {
        ASSERT_TRUE(g_provider->plain->Running() && g_provider->secure->Running());
        setenv("SSL_CERT_FILE", (g_provider->dir + "/ca.crt").c_str(), 1);
        oauth.ConsumerKey.Assign("echo-consumer-key");
        oauth.ConsumerSecret.Assign("echo consumer secret/+%");
        oauth.Token.Assign("77-echo-token");
        oauth.TokenSecret.Assign("echo token secret &=");
        oauth.Realm.Assign("Twitter API");
    }
    void TearDown() override { unsetenv("SSL_CERT_FILE"); }

    CZelString Url(bool secure) const {
        return CZelString(
            secure ? "https://127.0.0.1:" + std::to_string(g_provider->https) + "/1/echo.xml"
                   : "http://127.0.0.1:" + std::to_string(g_provider->http) + "/1/echo.xml");
    }

    COAuth oauth;
    CZelString response;
};

const std::vector<std::pair<std::string, std::string>> kAwkward = {
    {"blank", "a b  c"},
    {"plus", "1+1"},
    {"percent", "100% sure %41"},
    {"tilde", "~user"},
    {"unreserved", "-._"},
    {"star", "*"},
    {"bang", "wow!"},
    {"amp", "a&b"},
    {"equals", "x=y"},
    {"utf8", "caf\xC3\xA9 \xE2\x98\x95 \xF0\x9F\x90\xA6"},
    {"empty", ""},
    {"status", "line one\nline two"},
};

}  // namespace

TEST_P(OAuthVerification, ProviderVerifiesAwkwardParameters) {
    auto [post, secure] = GetParam();
    ParameterMap params;
    for (const auto& [name, value] : kAwkward) params.Assign(name, value);
    ASSERT_EQ(oauth.MakeSignedRequest(Url(secure), post ? 1 : 0, params, response), 0)
        << response.Str();
    const std::string where = post ? "body " : "query ";
    for (const auto& [name, value] : kAwkward) {
        // A line break travels as a blank: the form encoding writes white space as "+".
        std::string received = name == "status" ? "line one line two" : value;
        EXPECT_NE(response.Str().find(where + name + "=" + received + "\n"), std::string::npos)
            << name << "\n"
            << response.Str();
    }
}

TEST_P(OAuthVerification, ProviderVerifiesRequestsWithoutToken) {
    auto [post, secure] = GetParam();
    oauth.Token.Assign("");
    oauth.TokenSecret.Assign("");
    ParameterMap params;
    params.Assign("q", "no token");
    ASSERT_EQ(oauth.MakeAuthRequest(Url(secure), post ? 1 : 0, ParameterMap{}, params, response), 0)
        << response.Str();
    EXPECT_EQ(response.Str().find("header oauth_token="), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(MethodsAndSchemes, OAuthVerification,
                         testing::Combine(testing::Bool(), testing::Bool()), [](const auto& param) {
                             return std::string(std::get<0>(param.param) ? "Post" : "Get") +
                                    (std::get<1>(param.param) ? "Https" : "Http");
                         });

TEST_F(OAuthVerification, WrongSecretIsRefused) {
    oauth.ConsumerSecret.Assign("not the secret");
    EXPECT_EQ(oauth.MakeSignedRequest(Url(false), 0, ParameterMap{}, response), -105);
    EXPECT_NE(response.Str().find("header oauth_signature="), std::string::npos);
}
