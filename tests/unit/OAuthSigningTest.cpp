#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "FakeTransport.h"
#include "oauth/OAuth.h"

namespace {

int64_t FixedTime() {
    return 1318622958;
}
uint32_t g_draw = 0;
uint32_t CountingRandom() {
    return g_draw++;
}

class OAuthSigning : public testing::Test {
  protected:
    void SetUp() override {
        oauth.Http.Binding.LibraryName.Assign(fake.Path());
        oauth.SetLogFile(log.c_str());
        oauth.Clock = &FixedTime;
        oauth.Random = &CountingRandom;
        g_draw = 0;
        oauth.ConsumerKey.Assign("key");
        oauth.ConsumerSecret.Assign("secret");
        oauth.Token.Assign("token");
        oauth.TokenSecret.Assign("token secret");
        oauth.Realm.Assign("Twitter API");
    }
    FakeReply Ok(std::string body = "ok") {
        FakeReply r;
        r.body = std::move(body);
        return r;
    }
    const FakeSent& Sent() { return fake.State().sent.back(); }

    test::FakeTransport fake;
    test::TempDir dir;
    std::string log = dir.File("oauth.log");
    COAuth oauth;
    CZelString response;
};

}  // namespace

TEST_F(OAuthSigning, KnownSignature) {
    // A base string and keys whose HMAC-SHA1 Python's hmac module computed independently.
    oauth.ConsumerSecret.Assign("kd94hf93k423kf44");
    oauth.TokenSecret.Assign("pfkkdhi9sl3r4s00");
    CZelString base(
        "GET&http%3A%2F%2Fphotos.example.net%2Fphotos&file%3Dvacation.jpg%26oauth_consumer_key"
        "%3Ddpf43f3p2l4k3l03%26oauth_nonce%3Dkllo9940pd9333jh%26oauth_signature_method%3DHMAC-SHA1"
        "%26oauth_timestamp%3D1191242096%26oauth_token%3Dnnch734d00sl2jdk%26oauth_version%3D1.0"
        "%26size%3Doriginal");
    EXPECT_STREQ(oauth.ComputeSignature(base).c_str(), "tR3%2BTy81lMeYAr%2FFid0kMTYa%2FWM%3D");
    ParameterMap params;
    params.Assign("size", "original");
    params.Assign("file", "vacation.jpg");
    params.Assign("oauth_consumer_key", "dpf43f3p2l4k3l03");
    params.Assign("oauth_nonce", "kllo9940pd9333jh");
    params.Assign("oauth_signature_method", "HMAC-SHA1");
    params.Assign("oauth_timestamp", "1191242096");
    params.Assign("oauth_token", "nnch734d00sl2jdk");
    params.Assign("oauth_version", "1.0");
    EXPECT_EQ(COAuth::BuildBaseString("GET", "http://photos.example.net/photos",
                                      COAuth::NormalizeParameters(params))
                  .Str(),
              base.Str());
}

TEST_F(OAuthSigning, SignedPostCarriesTheHeaderAndTheForm) {
    fake.Queue(Ok());
    ParameterMap request;
    request.Assign("status", "hello world");
    ASSERT_EQ(oauth.MakeSignedRequest("http://api.example.com:80/1/statuses/update.xml", 1, request,
                                      response),
              0);
    EXPECT_EQ(response.Str(), "ok");
    const FakeSent& sent = Sent();
    EXPECT_EQ(sent.verb, "POST");
    EXPECT_EQ(sent.path, "/1/statuses/update.xml");
    EXPECT_EQ(sent.body, "status=hello+world");
    const std::string& h = sent.headers;
    ASSERT_EQ(h.rfind("Authorization: OAuth realm=\"Twitter API\", oauth_consumer_key=\"key\", "
                      "oauth_nonce=\"abcdefghijkl\", oauth_signature=\"",
                      0),
              0u)
        << h;
    EXPECT_NE(h.find("\", oauth_signature_method=\"HMAC-SHA1\", oauth_timestamp=\"1318622958\", "
                     "oauth_token=\"token\", oauth_version=\"1.0\", status=\"hello world\"\r\n"
                     "Content-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos)
        << h;
    EXPECT_STREQ(oauth.Http.ExtraHeaders.c_str(), "");
    EXPECT_TRUE(test::HasLine(
        test::LogMessages(log),
        "OAuth signed request posted to: [http://api.example.com/1/statuses/update.xml]"));
    EXPECT_EQ(test::ReadFile(log).find("token secret"), std::string::npos);
}

TEST_F(OAuthSigning, GetQueriesAndTheQuestionMark) {
    fake.Queue(Ok());
    fake.Queue(Ok());
    fake.Queue(Ok());
    ASSERT_EQ(oauth.MakeSignedRequest("http://h/a.xml?dropped=1", 0, ParameterMap{}, response), 0);
    EXPECT_EQ(Sent().path, "/a.xml");  // the URL's own query is neither signed nor sent
    ParameterMap params;
    params.Assign("count", "20");
    params.Assign("q", "a b");
    ASSERT_EQ(oauth.MakeSignedRequest("HTTPS://h:443/a.xml", 0, params, response), 0);
    EXPECT_EQ(Sent().path, "/a.xml?count=20&q=a+b");
    EXPECT_EQ(Sent().port, 443);
    EXPECT_TRUE(Sent().secure);
    // The scheme was compared before lower-casing, so the port stays written out.
    EXPECT_TRUE(test::HasLine(test::LogMessages(log),
                              "OAuth signed get request to: [https://h:443/a.xml]"));
    ASSERT_EQ(oauth.MakeUnsignedRequest("http://h/u.xml?x=1", 0, ParameterMap{}, response), 0);
    EXPECT_EQ(Sent().path, "/u.xml?x=1?");
    EXPECT_EQ(Sent().headers, "");
    EXPECT_TRUE(test::HasLine(test::LogMessages(log),
                              "OAuth unsigned get request to: [http://h/u.xml?x=1]"));
}

TEST_F(OAuthSigning, ProtocolNamesCannotBeReplacedByRequestParameters) {
    fake.Queue(Ok());
    ParameterMap params;
    params.Assign("oauth_nonce", "callers-nonce");
    ASSERT_EQ(oauth.MakeSignedRequest("http://h/a", 1, params, response), 0);
    EXPECT_NE(Sent().headers.find("oauth_nonce=\"abcdefghijkl\""), std::string::npos);
    EXPECT_EQ(Sent().headers.find("callers-nonce"), std::string::npos);
    EXPECT_EQ(Sent().body, "oauth_nonce=callers%2Dnonce");
}

TEST_F(OAuthSigning, UnsafeHeaderValuesAreEncoded) {
    fake.Queue(Ok());
    ParameterMap params;
    params.Assign("status", "say \"hi\"\r\nX-Injected: 1 100%");
    ASSERT_EQ(oauth.MakeSignedRequest("http://h/a", 1, params, response), 0);
    const std::string& h = Sent().headers;
    EXPECT_NE(h.find("status=\"say%20%22hi%22%20%20X-Injected%3A%201%20100%25\""),
              std::string::npos)
        << h;
    EXPECT_EQ(h.find("\nX-Injected"), std::string::npos);
}

// Names are the caller's too: none may end the line, a field, or plant a field of its own.
TEST_F(OAuthSigning, UnsafeHeaderNamesAreEncoded) {
    for (const char* name : {"a\r\nX-Injected: yes\r\nb", "a\", oauth_token=\"planted", "a, b"}) {
        fake.Queue(Ok());
        ParameterMap params;
        params.Assign(name, "v");
        ASSERT_EQ(oauth.MakeSignedRequest("http://h/a", 0, params, response), 0);
        const std::string& h = Sent().headers;
        EXPECT_EQ(h.find("\nX-Injected"), std::string::npos) << h;
        EXPECT_EQ(h.find("\"planted"), std::string::npos) << h;
        EXPECT_EQ(h.find("a, b"), std::string::npos) << h;
        EXPECT_EQ(h.find('\r'), h.size() - 2) << h;  // one line, ended once
        EXPECT_NE(h.find("oauth_token=\"" + std::string(oauth.Token.c_str()) + "\""),
                  std::string::npos);
    }
}

TEST_F(OAuthSigning, WithoutTokenThereIsNoTokenParameter) {
    fake.Queue(Ok());
    oauth.Token.Assign("");
    ASSERT_EQ(oauth.MakeAuthRequest("http://h/a", 0, ParameterMap{}, ParameterMap{}, response), 0);
    EXPECT_EQ(Sent().headers.find("oauth_token"), std::string::npos);
}

TEST_F(OAuthSigning, CredentialChecksSendNothing) {
    struct Case {
        const char *key, *secret, *token, *tokenSecret;
        int32_t expected;
    };
    for (Case c : {Case{"", "", "t", "s", -102}, Case{"", "s", "t", "s", -101},
                   Case{"k", "", "t", "s", -102}, Case{"k", "s", "", "", -104},
                   Case{"k", "s", "", "s", -103}, Case{"k", "s", "t", "", -104}}) {
        oauth.ConsumerKey.Assign(c.key);
        oauth.ConsumerSecret.Assign(c.secret);
        oauth.Token.Assign(c.token);
        oauth.TokenSecret.Assign(c.tokenSecret);
        response.Assign("kept");
        EXPECT_EQ(oauth.MakeSignedRequest("http://h/a", 0, ParameterMap{}, response), c.expected);
        EXPECT_EQ(response.Str(), "kept");
    }
    EXPECT_TRUE(fake.State().sent.empty());
    EXPECT_STREQ(oauth.Http.ExtraHeaders.c_str(), "");
}

TEST_F(OAuthSigning, StatusesBecomeCodes) {
    FakeReply denied = Ok("<hash><error>Could not authenticate with OAuth.</error></hash>");
    denied.status = 401;
    denied.authSchemes = 1;  // the engine retries once with the (empty) web account
    fake.Queue(denied);
    fake.Queue(denied);
    EXPECT_EQ(oauth.MakeSignedRequest("http://h/a", 0, ParameterMap{}, response), -105);
    FakeReply missing = Ok("not here");
    missing.status = 404;
    fake.Queue(missing);
    EXPECT_EQ(oauth.MakeSignedRequest("http://h/a", 0, ParameterMap{}, response), -106);
    EXPECT_EQ(response.Str(), "not here");
    FakeReply refused = Ok();
    refused.sendError = 12029;
    fake.Queue(refused);
    EXPECT_EQ(oauth.MakeUnsignedRequest("http://h/a", 0, ParameterMap{}, response), 22024);
}

TEST_F(OAuthSigning, SameSecondSameTimestampFreshNonces) {
    fake.Queue(Ok());
    fake.Queue(Ok());
    oauth.MakeSignedRequest("http://h/a", 0, ParameterMap{}, response);
    oauth.MakeSignedRequest("http://h/a", 0, ParameterMap{}, response);
    auto& sent = fake.State().sent;
    EXPECT_NE(sent[0].headers.find("oauth_timestamp=\"1318622958\""), std::string::npos);
    EXPECT_NE(sent[1].headers.find("oauth_timestamp=\"1318622958\""), std::string::npos);
    EXPECT_NE(sent[1].headers.find("oauth_nonce=\"mnopqrstuvwx\""), std::string::npos);
}

// A forked child draws nonces of its own: a pool of worker processes must not replay its parent's.
TEST(OAuthNonces, AForkedChildDrawsItsOwn) {
    COAuth parent;
    parent.GenerateNonce();  // the generator is seeded and in use before the fork
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string nonces = parent.GenerateNonce().Str() + parent.GenerateNonce().Str();
        _exit(write(channel[1], nonces.data(), nonces.size()) == 24 ? 0 : 1);
    }
    close(channel[1]);
    char theirs[24] = {};
    ASSERT_EQ(read(channel[0], theirs, sizeof theirs), 24);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    std::string ours = parent.GenerateNonce().Str() + parent.GenerateNonce().Str();
    EXPECT_NE(std::string(theirs, 12), ours.substr(0, 12));
    EXPECT_NE(std::string(theirs + 12, 12), ours.substr(12));
}

TEST_F(OAuthSigning, TokenExchangeStoresTheReply) {
    fake.Queue(Ok("oauth_token=A&oauth_token_secret=B&oauth_callback_confirmed=true"));
    oauth.AuthorizeUrl.Assign("http://h/oauth/authorize");
    oauth.RequestTokenUrl.Assign("http://h/oauth/request_token");
    oauth.AccessTokenUrl.Assign("http://h/oauth/access_token");
    CZelString url;
    ASSERT_EQ(oauth.GetRequestToken(url, nullptr), 0);
    EXPECT_NE(Sent().headers.find("oauth_callback=\"oob\""), std::string::npos);
    EXPECT_EQ(Sent().headers.find("oauth_token="), std::string::npos);
    EXPECT_STREQ(oauth.Token.c_str(), "A");
    EXPECT_STREQ(oauth.TokenSecret.c_str(), "B");
    EXPECT_STREQ(url.c_str(),
                 "http://h/oauth/"
                 "authorize?oauth_token=A&oauth_token_secret=B&oauth_callback_confirmed=true");

    fake.Queue(test::Reply(401, "Invalid verifier"));
    EXPECT_EQ(oauth.GetAccessToken("wrong"), -105);
    EXPECT_STREQ(oauth.Token.c_str(), "A");  // a refused exchange keeps the request token

    fake.Queue(Ok("oauth_token=C"));
    EXPECT_EQ(oauth.GetAccessToken("V"), -107);
    EXPECT_NE(Sent().headers.find("oauth_token=\"A\""), std::string::npos);
    EXPECT_NE(Sent().headers.find("oauth_verifier=\"V\""), std::string::npos);
    EXPECT_STREQ(oauth.Token.c_str(), "C");
    EXPECT_STREQ(oauth.TokenSecret.c_str(), "");

    oauth.Token.Assign("");
    EXPECT_EQ(oauth.GetAccessToken("V"), -103);
    EXPECT_EQ(fake.State().sent.size(), 3u);
}
