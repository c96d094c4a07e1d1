#include <gtest/gtest.h>

#include <string>

#include "AllocationLimit.h"
#include "FakeTransport.h"
#include "component/Twitter.h"
#include "platform/ProfileFile.h"

namespace {

using test::Reply;

class TwitterMethods : public testing::Test {
  protected:
    void SetUp() override {
        Put(&CTwitter::put_HttpLibrary, fake.Path());
        Put(&CTwitter::put_LogFile, log.c_str());
    }
    void Put(HRESULT (CTwitter::*put)(BSTR), const char* text) {
        test::Bstr value(text);
        (twitter.*put)(value.get());
    }
    LONG LastError() {
        LONG code = -1;
        twitter.get_LastError(&code);
        return code;
    }
    std::string Api(const char* method, const char* format, const char* params = "",
                    bool post = false) {
        test::Bstr m(method), f(format), p(params), response;
        EXPECT_EQ(twitter.APICall(m.get(), f.get(), p.get(), post ? VARIANT_TRUE : VARIANT_FALSE,
                                  response.put()),
                  S_OK);
        return response.Text();
    }
    std::vector<std::string> Lines() { return test::LogMessages(log); }

    test::FakeTransport fake;
    test::TempDir dir;
    std::string log = dir.File("twitter.log");
    CTwitter twitter;
};

}  // namespace

TEST_F(TwitterMethods, ApiCallUrlComposition) {
    struct Case {
        const char *method, *format, *params;
        bool post, ssl, secure;
        const char* url;
    };
    for (const Case& c : {
             Case{"statuses/public_timeline", "xml", "", false, false, false,
                  "http://api.twitter.com/1/statuses/public_timeline.xml"},
             Case{"//statuses/update", "json", "status=hi", true, true, true,
                  "https://api.twitter.com/1/statuses/update.json"},
             // The scheme is compared case-sensitively: this one is no secure one.
             Case{"HTTPS://other.example:8443/custom/path", "xml", "", false, true, false,
                  "HTTPS://other.example:8443/custom/path.xml"},
             // The host prefix: plain HTTP even with SSL on.
             Case{"API.Twitter.com/1/statuses/show/1", "xml", "", false, true, false,
                  "http://API.Twitter.com/1/statuses/show/1.xml"},
             Case{"help/test", "", "", false, true, true, "https://api.twitter.com/1/help/test."},
         }) {
        fake.Queue(Reply(200, "<ok/>"));
        twitter.put_UseSSL(c.ssl ? VARIANT_TRUE : VARIANT_FALSE);
        Api(c.method, c.format, c.params, c.post);
        EXPECT_TRUE(test::HasLine(Lines(), std::string("-- APICall Url=[") + c.url + "], Format[" +
                                               c.format + "], UsePost[" +
                                               (c.post ? "True" : "False") + "]"))
            << c.url;
        EXPECT_EQ(fake.State().sent.back().secure, c.secure) << c.url;
    }
    EXPECT_EQ(fake.State().sent[0].path, "/1/statuses/public_timeline.xml?");
    EXPECT_EQ(fake.State().sent[1].body, "status=hi");
}

TEST_F(TwitterMethods, ApiCallSignedOrNot) {
    fake.Queue(Reply(200, "<statuses/>"));
    EXPECT_EQ(Api("statuses/home_timeline", "xml", "count=2&page=x=y&&ignored=1"), "<statuses/>");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(fake.State().sent.back().path, "/1/statuses/home_timeline.xml?count=2&page=x");
    auto lines = Lines();
    EXPECT_TRUE(test::HasLine(
        lines, "No AccessToken was supplied, calling this method without signing it."));
    EXPECT_TRUE(test::HasLine(lines, "APICall result: [0: Success]"));

    Put(&CTwitter::put_AccessToken, "token");
    EXPECT_EQ(Api("statuses/home_timeline", "xml"), "");
    EXPECT_EQ(LastError(), 35001);  // no token secret
    Put(&CTwitter::put_AccessTokenSecret, "tok-s3cr3t");
    Api("statuses/home_timeline", "xml");
    EXPECT_EQ(LastError(), 35004);  // both consumer values empty: the secret is reported
    Put(&CTwitter::put_ConsumerSecret, "secret");
    Api("statuses/home_timeline", "xml");
    EXPECT_EQ(LastError(), 35003);
    Put(&CTwitter::put_ConsumerKey, "key");
    EXPECT_EQ(fake.State().sent.size(), 1u);  // none of these reached the transport

    // The service's 401 names no scheme the transport knows: no retry, and the body comes back.
    FakeReply denied = Reply(401, "<hash><error>Could not authenticate with OAuth.</error></hash>");
    fake.Queue(denied);
    EXPECT_EQ(Api("statuses/home_timeline", "xml"),
              "<hash><error>Could not authenticate with OAuth.</error></hash>");
    EXPECT_EQ(LastError(), 35002);
    fake.Queue(Reply(404, "<hash><error>Not found</error></hash>"));
    EXPECT_EQ(Api("users/show/nobody", "xml"), "<hash><error>Not found</error></hash>");
    EXPECT_EQ(LastError(), 35005);
    EXPECT_TRUE(test::HasLine(
        Lines(), "APICall result: [35005: An unexpected HTTP response code was returned]"));
    EXPECT_NE(fake.State().sent.back().headers.find("oauth_token=\"token\""), std::string::npos);
    EXPECT_EQ(test::ReadFile(log).find("s3cr3t"), std::string::npos);
}

TEST_F(TwitterMethods, TransportFailureIsUnexpectedError) {
    FakeReply refused = Reply(200, "");
    refused.sendError = 12029;
    fake.Queue(refused);
    Api("statuses/public_timeline", "xml");
    EXPECT_EQ(LastError(), 35014);
    EXPECT_TRUE(test::HasLine(Lines(), "APICall result: [35014: Unexpected error]"));
}

TEST_F(TwitterMethods, AuthorizationWithoutCredentials) {
    test::Bstr url, none;
    EXPECT_EQ(twitter.RequestAuthorization(none.get(), url.put()), S_OK);
    EXPECT_EQ(LastError(), 35004);
    EXPECT_EQ(url.Text(), "");
    EXPECT_EQ(twitter.RequestAccessToken(none.get()), S_OK);
    EXPECT_EQ(LastError(), 35000);  // no request token
    auto lines = Lines();
    EXPECT_TRUE(test::HasLine(lines, "-- RequestAuthorization Callback=[oob]"));
    EXPECT_TRUE(
        test::HasLine(lines,
                      "RequestAuthorization result: [35004: A valid consumer secret is required "
                      "for this operation.], Url=[]"));
    EXPECT_TRUE(test::HasLine(lines, "-- RequestAccessToken Verifier=[]"));
    EXPECT_TRUE(
        test::HasLine(lines,
                      "RequestAccessToken result: [35000: An access token is required for this "
                      "operation.], AccessToken=[]"));
}

TEST_F(TwitterMethods, KeyFilesRoundTripAndShareAFile) {
    std::string file = dir.File("keys.ini");
    test::Bstr name(file.c_str());
    Put(&CTwitter::put_AccessToken, "123-access");
    Put(&CTwitter::put_AccessTokenSecret, "access secret");
    Put(&CTwitter::put_ConsumerKey, "consumer");
    Put(&CTwitter::put_ConsumerSecret, std::string(5000, 's').c_str());
    twitter.SaveAccessKey(name.get());
    EXPECT_EQ(LastError(), 0);
    twitter.SaveConsumerKey(name.get());
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(test::LogMessages(log).size(), 0u);  // key-file methods write no log line

    CTwitter fresh;
    fresh.LoadAccessKey(name.get());
    LONG code = -1;
    fresh.get_LastError(&code);
    EXPECT_EQ(code, 0);
    test::Bstr value;
    fresh.get_AccessToken(value.put());
    EXPECT_EQ(value.Text(), "123-access");
    fresh.get_AccessTokenSecret(value.put());
    EXPECT_EQ(value.Text(), "access secret");
    fresh.get_ConsumerKey(value.put());
    EXPECT_EQ(value.Text(), "");  // loading one pair reads only its own section
    fresh.LoadConsumerKey(name.get());
    fresh.get_ConsumerSecret(value.put());
    EXPECT_EQ(value.Text(), std::string(5000, 's'));
}

TEST_F(TwitterMethods, KeyFileFailureCodes) {
    std::string file = dir.File("keys.ini");
    test::Bstr name(file.c_str());
    test::Bstr missing(dir.File("missing.ini").c_str());
    Put(&CTwitter::put_ConsumerKey, "kept");
    twitter.LoadConsumerKey(missing.get());
    EXPECT_EQ(LastError(), 35019);
    test::Bstr value;
    twitter.get_ConsumerKey(value.put());
    EXPECT_EQ(value.Text(), "kept");
    test::Bstr folder(dir.Path().c_str());
    twitter.LoadConsumerKey(folder.get());
    EXPECT_EQ(LastError(), 35019);

    test::WriteFile(file, "[CONSUMERTOKENPAIR]\nconsumertoken=only-key\n[Other]\nAccessToken=x\n");
    twitter.LoadConsumerKey(name.get());  // section and key in other letter case
    EXPECT_EQ(LastError(), 35017);
    twitter.get_ConsumerKey(value.put());
    EXPECT_EQ(value.Text(), "only-key");
    Put(&CTwitter::put_AccessToken, "replaced");
    twitter.LoadAccessKey(name.get());
    EXPECT_EQ(LastError(), 35020);
    twitter.get_AccessToken(value.put());
    EXPECT_EQ(value.Text(), "");

    test::Bstr unwritable(dir.File("no/such/folder/keys.ini").c_str());
    twitter.SaveAccessKey(unwritable.get());
    EXPECT_EQ(LastError(), 35018);
    Put(&CTwitter::put_AccessToken, "line\nbreak");
    twitter.SaveAccessKey(name.get());
    EXPECT_EQ(LastError(), 35018);
    EXPECT_EQ(test::ReadFile(file).find("line"), std::string::npos);

    // A NUL would cut the name to another file's.
    std::u16string cut(file.begin(), file.end());
    cut += u'\0';
    cut += u"x";
    BSTR withNul = SysAllocStringLen(cut.data(), static_cast<UINT>(cut.size()));
    twitter.SaveAccessKey(withNul);
    EXPECT_EQ(LastError(), 35018);
    twitter.LoadAccessKey(withNul);
    EXPECT_EQ(LastError(), 35019);
    SysFreeString(withNul);
    // A log file named so gets no lines, in no file.
    std::string logName = dir.File("cut.log");
    std::u16string cutLog(logName.begin(), logName.end());
    cutLog += u'\0';
    cutLog += u"x";
    BSTR logWithNul = SysAllocStringLen(cutLog.data(), static_cast<UINT>(cutLog.size()));
    twitter.put_LogFile(logWithNul);
    twitter.Clear();
    VARIANT user;
    VariantInit(&user);
    twitter.FindNextUser(&user);
    EXPECT_FALSE(platform::FileExists(logName.c_str()));
    SysFreeString(logWithNul);
}

namespace {

std::string StatusesXml(int count) {
    std::string xml = "<statuses type=\"array\">";
    for (int i = 0; i < count; ++i)
        xml += "<status><id>" + std::to_string(900 - i) + "</id><text>s" + std::to_string(i) +
               "</text><user><id>7</id><screen_name>u</screen_name></user></status>";
    return xml + "</statuses>";
}

std::string UsersPageXml(const char* screenName, const char* nextCursor) {
    return std::string("<users_list><users type=\"array\"><user><id>1</id><screen_name>") +
           screenName + "</screen_name></user></users><next_cursor>" + nextCursor +
           "</next_cursor><previous_cursor>0</previous_cursor></users_list>";
}

// The text of one property of the object a method handed out.
std::string TextOf(const VARIANT& object, const char* name) {
    if (object.vt != VT_DISPATCH || object.pdispVal == nullptr)
        return "<no object>";
    std::u16string wide(name, name + std::char_traits<char>::length(name));
    LPOLESTR names[] = {wide.data()};
    DISPID id = 0;
    object.pdispVal->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    object.pdispVal->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                            nullptr);
    std::string text = result.vt == VT_BSTR ? CZelString(result.bstrVal).Str() : "<not text>";
    VariantClear(&result);
    return text;
}

bool IsNoObject(const VARIANT& v) {
    return v.vt == VT_UNKNOWN && v.punkVal == nullptr;
}

class TwitterLists : public TwitterMethods {
  protected:
    // FindFirstTweet with the given timeline and count; the caller clears the result.
    VARIANT First(const char* timeline, LONG count = 0) {
        test::Bstr name(timeline), none;
        VARIANT status;
        VariantInit(&status);
        EXPECT_EQ(twitter.FindFirstTweet(name.get(), none.get(), none.get(), count, 0, &status),
                  S_OK);
        return status;
    }
    VARIANT Friend(const char* user) {
        test::Bstr name(user);
        VARIANT object;
        VariantInit(&object);
        EXPECT_EQ(twitter.FindFirstFriend(name.get(), &object), S_OK);
        return object;
    }
    size_t Sent() { return fake.State().sent.size(); }
};

}  // namespace

TEST_F(TwitterLists, NewObjectHasNothingToWalk) {
    VARIANT object;
    VariantInit(&object);
    EXPECT_EQ(twitter.FindNextTweet(&object), S_OK);
    EXPECT_TRUE(IsNoObject(object));
    EXPECT_EQ(LastError(), 35015);
    EXPECT_EQ(twitter.FindNextUser(&object), S_OK);
    EXPECT_TRUE(IsNoObject(object));
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{
                  "-- FindNextTweet",
                  "FindNextTweet result: [35015: There are no (more) status messages]",
                  "-- FindNextUser", "FindNextUser result: [25016: There are no (more) users]"}));
    EXPECT_EQ(Sent(), 0u);
}

// On a new object the key already reads "home" with no arguments: a failed first fetch must
// not leave that key to be served from the emptied list.
TEST_F(TwitterLists, FailedFetchThenTheSameCallAsksAgain) {
    fake.Queue(Reply(500, "oops"));
    fake.Queue(Reply(200, StatusesXml(2)));
    VARIANT status = First("home");
    EXPECT_TRUE(IsNoObject(status));
    EXPECT_EQ(LastError(), 35005);
    EXPECT_TRUE(test::HasLine(Lines(), "Could not get Tweet list"));
    status = First("home");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(TextOf(status, "Id"), "900");
    VariantClear(&status);
    EXPECT_EQ(Sent(), 2u);

    fake.Queue(Reply(503, ""));
    fake.Queue(Reply(200, UsersPageXml("first", "0")));
    VARIANT user = Friend("x");
    EXPECT_EQ(LastError(), 35005);
    EXPECT_TRUE(test::HasLine(Lines(), "Could not get friends list"));
    user = Friend("x");
    EXPECT_EQ(TextOf(user, "ScreenName"), "first");
    VariantClear(&user);
    EXPECT_EQ(Sent(), 4u);
}

TEST_F(TwitterLists, ReuseCountsDownAndEnds) {
    fake.Queue(Reply(200, StatusesXml(3)));
    VARIANT status = First("public", 3);
    VariantClear(&status);
    test::FakeTransport::Now() += 1500;
    status = First("public", 3);
    EXPECT_EQ(TextOf(status, "Text"), "s0");
    VariantClear(&status);
    EXPECT_EQ(twitter.FindNextTweet(&status), S_OK);
    EXPECT_EQ(TextOf(status, "Text"), "s1");
    VariantClear(&status);
    EXPECT_EQ(Sent(), 1u);
    EXPECT_TRUE(
        test::HasLine(Lines(), "Not refreshing, the current list is still valid for [58] seconds"));
    EXPECT_TRUE(
        test::HasLine(Lines(), "-- FindFirstTweet since_id=[], max_id[], count[3], page[0]"));

    test::FakeTransport::Now() += 58500;  // the 60 s of the default time-out have run out
    fake.Queue(Reply(200, StatusesXml(0)));
    status = First("public", 3);
    EXPECT_TRUE(IsNoObject(status));
    EXPECT_EQ(LastError(), 35015);
    EXPECT_EQ(Sent(), 2u);
}

// Replies without the service's error text: the status alone decides.
TEST_F(TwitterLists, BareForbiddenReplies) {
    test::Bstr message("hello"), to("bob"), reply("77"), user("12345"), id;
    fake.Queue(Reply(403, ""));
    twitter.Tweet(message.get(), id.put());
    EXPECT_EQ(LastError(), 35009);
    EXPECT_EQ(id.Text(), "");
    fake.Queue(Reply(403, ""));
    twitter.Follow(user.get());
    EXPECT_EQ(LastError(), 35007);
    fake.Queue(Reply(403, ""));
    twitter.UnFollow(user.get());
    EXPECT_EQ(LastError(), 35005);
    EXPECT_EQ(fake.State().sent.back().path, "/1/friendships/destroy/12345.xml?user_id=12345");

    fake.Queue(Reply(200, "<status><id>4242</id></status>"));
    twitter.DirectTweet(message.get(), to.get(), reply.get(), id.put());
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(id.Text(), "4242");
    EXPECT_EQ(fake.State().sent.back().body, "in_reply_to_status_id=77&status=%40bob+hello");
}

// Each call's request as the service takes it, and what is refused before anything is sent.
TEST_F(TwitterLists, RequestsAsTheServiceTakesThem) {
    const std::pair<const char*, const char*> timelines[] = {
        {"mentions", "/1/statuses/mentions.xml?"},
        {"retweeted_of_me", "/1/statuses/retweets_of_me.xml?"},
        {"alice", "/1/statuses/user_timeline.xml?screen_name=alice"},
        {"783214", "/1/statuses/user_timeline.xml?user_id=783214"},
    };
    for (const auto& [name, path] : timelines) {
        fake.Queue(Reply(200, StatusesXml(1)));
        VARIANT status = First(name);
        VariantClear(&status);
        EXPECT_EQ(fake.State().sent.back().path, path);
    }
    test::Bstr query("friend");
    fake.Queue(Reply(200, "<users type=\"array\"></users>"));
    VARIANT user;
    VariantInit(&user);
    twitter.FindFirstUser(query.get(), 5, 2, &user);
    EXPECT_EQ(fake.State().sent.back().path, "/1/users/search.xml?page=2&per_page=5&q=friend");

    test::Bstr message("hi"), none, id;
    fake.Queue(Reply(200, "<status><id>4242</id></status>"));
    twitter.Tweet(message.get(), id.put());
    EXPECT_TRUE(test::HasLine(Lines(), "Tweet success, status id: [4242]"));
    size_t sent = Sent();
    twitter.Tweet(none.get(), id.put());
    EXPECT_EQ(LastError(), 35016);
    EXPECT_TRUE(test::HasLine(Lines(), "Twitter error: [Need a message]"));
    twitter.Follow(none.get());
    EXPECT_EQ(LastError(), 35010);
    EXPECT_TRUE(test::HasLine(Lines(), "Twitter error: [Need a user id or name]"));
    EXPECT_EQ(Sent(), sent);
}

// A user text is one segment of the path: nothing in it reaches another resource.
TEST_F(TwitterLists, AFollowedNameStaysOneSegment) {
    test::Bstr user("../../account/settings?q#x%2F");
    fake.Queue(Reply(200, "<user><id>1</id></user>"));
    twitter.Follow(user.get());
    const std::string& path = fake.State().sent.back().path;
    EXPECT_EQ(path.substr(0, path.find('?')),
              "/1/friendships/create/..%2F..%2Faccount%2Fsettings%3Fq%23x%252F.xml");
}

TEST_F(TwitterLists, FailedNextPageReportsItsCode) {
    fake.Queue(Reply(200, UsersPageXml("only", "77")));
    fake.Queue(Reply(500, "down"));
    VARIANT user = Friend("x");
    EXPECT_EQ(TextOf(user, "ScreenName"), "only");
    VariantClear(&user);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_TRUE(IsNoObject(user));
    EXPECT_EQ(LastError(), 35005);
    EXPECT_EQ(fake.State().sent.back().path, "/1/statuses/friends.xml?cursor=77&screen_name=x");
    auto lines = Lines();
    EXPECT_TRUE(test::HasLine(lines, "--> Fetching some more friends"));
    EXPECT_TRUE(test::HasLine(
        lines, "FindNextUser result: [35005: An unexpected HTTP response code was returned]"));
}

TEST_F(TwitterLists, NullOutArgumentIsRefusedWithoutLeaking) {
    fake.Queue(Reply(200, StatusesXml(1)));
    test::Bstr home("home"), none;
    EXPECT_EQ(twitter.FindFirstTweet(home.get(), none.get(), none.get(), 0, 0, nullptr), E_POINTER);
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(twitter.FindNextUser(nullptr), E_POINTER);
}

// What a user would lose: a walk that never ends, a re-walk served from a later page, a search
// answered with friends, and a fetch that ran out of memory.
namespace {

std::string UsersPageWithoutCursor(const char* screenName) {
    return std::string("<users_list><users type=\"array\"><user><id>1</id><screen_name>") +
           screenName + "</screen_name></user></users></users_list>";
}

}  // namespace

TEST_F(TwitterLists, APageThatWouldRestartOrRepeatTheWalkEndsIt) {
    // Its next cursor is the cursor that fetched it.
    fake.Queue(Reply(200, UsersPageXml("a", "-1")));
    VARIANT user = Friend("x");
    EXPECT_EQ(TextOf(user, "ScreenName"), "a");
    VariantClear(&user);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(Sent(), 1u);
    EXPECT_TRUE(test::HasLine(
        Lines(), "--> The next cursor [-1] is missing or was given before: the list ends here"));

    // A later page gives a cursor the walk has had before.
    fake.Queue(Reply(200, UsersPageXml("b", "55")));
    fake.Queue(Reply(200, UsersPageXml("c", "55")));
    user = Friend("y");
    EXPECT_EQ(TextOf(user, "ScreenName"), "b");
    VariantClear(&user);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(TextOf(user, "ScreenName"), "c");
    VariantClear(&user);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(Sent(), 3u);

    // A page without a next cursor.
    fake.Queue(Reply(200, UsersPageWithoutCursor("d")));
    test::Bstr name("z");
    EXPECT_EQ(twitter.FindFirstFollower(name.get(), &user), S_OK);
    EXPECT_EQ(TextOf(user, "ScreenName"), "d");
    VariantClear(&user);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(Sent(), 4u);
}

TEST_F(TwitterLists, ARewalkStartsFromTheFirstPage) {
    fake.Queue(Reply(200, UsersPageXml("first", "77")));
    fake.Queue(Reply(200, UsersPageXml("second", "0")));
    fake.Queue(Reply(200, UsersPageXml("first", "77")));
    VARIANT user = Friend("x");
    VariantClear(&user);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(TextOf(user, "ScreenName"), "second");
    VariantClear(&user);
    user = Friend("x");  // within the time-out, but the list holds the second page
    EXPECT_EQ(TextOf(user, "ScreenName"), "first");
    EXPECT_EQ(Sent(), 3u);
    VariantClear(&user);

    // After a failed next page, a first call fetches the first page again.
    fake.Queue(Reply(500, "down"));
    fake.Queue(Reply(200, UsersPageXml("first", "77")));
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 35005);
    user = Friend("x");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(TextOf(user, "ScreenName"), "first");
    EXPECT_EQ(Sent(), 5u);
    VariantClear(&user);

    // Served from the first page it is, and the reuse is said.
    user = Friend("x");
    EXPECT_EQ(TextOf(user, "ScreenName"), "first");
    EXPECT_EQ(Sent(), 5u);
    EXPECT_EQ(Lines().back(), "FindFirstFriend result: [0: Success]");
    VariantClear(&user);
}

TEST_F(TwitterLists, ARefusedPageIsAskedForAgain) {
    fake.Queue(Reply(200, UsersPageXml("a", "11")));
    fake.Queue(Reply(400, "<hash><error>Rate limit exceeded</error></hash>"));
    fake.Queue(Reply(200, UsersPageXml("b", "12")));
    fake.Queue(Reply(200, UsersPageXml("c", "0")));
    VARIANT user = Friend("x");
    VariantClear(&user);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 35008);
    for (const char* name : {"b", "c"}) {
        EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
        EXPECT_EQ(TextOf(user, "ScreenName"), name);
        VariantClear(&user);
    }
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 25016);
    std::vector<std::string> cursors;
    for (const auto& sent : fake.State().sent)
        cursors.push_back(sent.path.substr(sent.path.find("cursor=") + 7, 3));
    EXPECT_EQ(cursors, (std::vector<std::string>{"%2D", "11&", "11&", "12&"}));
    EXPECT_TRUE(test::HasLine(Lines(), "Cursor position: [12]"));
}

// After a first call that failed or found nothing, the next-call ends at once: it never goes on
// with the list of an earlier walk.
TEST_F(TwitterLists, AnEmptyOrFailedFirstCallEndsTheWalk) {
    fake.Queue(Reply(200, UsersPageXml("f1", "77")));
    fake.Queue(Reply(200, "<users type=\"array\"></users>"));
    fake.Queue(Reply(500, "down"));
    fake.Queue(Reply(200, "<users_list><users></users><next_cursor>88</next_cursor></users_list>"));
    VARIANT user = Friend("x");
    VariantClear(&user);
    test::Bstr query("q"), other("y");
    EXPECT_EQ(twitter.FindFirstUser(query.get(), 0, 0, &user), S_OK);
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(twitter.FindFirstFollower(other.get(), &user), S_OK);
    EXPECT_EQ(LastError(), 35005);
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_EQ(LastError(), 25016);
    user = Friend("y");
    EXPECT_TRUE(IsNoObject(user));
    EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    EXPECT_TRUE(IsNoObject(user));
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(Sent(), 4u);
}

// A status is copied out of the reply only when it is served: when that needs more memory than
// there is, the call ends with its code, and the list, fetched whole, stays for the next call.
TEST_F(TwitterLists, AStatusThatCannotBeMadeIsAResultAndTheListStays) {
    if (!test::AllocationLimit::Available())
        GTEST_SKIP() << "AddressSanitizer owns operator new";
    const size_t text = size_t{30} << 20;
    fake.Queue(Reply(200, "<statuses type=\"array\"><status><id>1</id><text>" +
                              std::string(text, 'x') + "</text></status></statuses>"));
    VARIANT status;
    {
        test::AllocationLimit limit(text + (size_t{1} << 20));
        status = First("home");
    }
    EXPECT_TRUE(IsNoObject(status));
    EXPECT_EQ(LastError(), 35014);
    EXPECT_EQ(Lines().back(), "FindFirstTweet result: [35014: Unexpected error]");
    status = First("home");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(TextOf(status, "Id"), "1");
    EXPECT_EQ(Sent(), 1u);
    VariantClear(&status);
}

TEST_F(TwitterLists, AReplyWhoseTreeWouldOutgrowItIsRefused) {
    std::string flood = "<statuses type=\"array\">";
    for (int i = 0; i < 100000; ++i) flood += "<a/>";
    flood += "</statuses>";
    fake.Queue(Reply(200, flood));
    VARIANT status = First("home");
    EXPECT_TRUE(IsNoObject(status));
    EXPECT_EQ(LastError(), 35014);
    EXPECT_TRUE(test::HasLine(Lines(), "Call ended: the reply's XML tree would take more than [" +
                                           std::to_string(flood.size() * 3 + (256 << 10)) +
                                           "] bytes"));
}

TEST_F(TwitterLists, AWalkServesEveryUserOfEveryPage) {
    auto page = [](const char* first, const char* second, const char* next) {
        return std::string("<users_list><users type=\"array\"><user><id>1</id><screen_name>") +
               first + "</screen_name></user><user><id>2</id><screen_name>" + second +
               "</screen_name></user></users><next_cursor>" + next +
               "</next_cursor><previous_cursor>0</previous_cursor></users_list>";
    };
    fake.Queue(Reply(200, page("a", "b", "9")));
    fake.Queue(Reply(200, page("c", "d", "0")));
    std::string walked;
    VARIANT user = Friend("x");
    while (!IsNoObject(user)) {
        walked += TextOf(user, "ScreenName");
        VariantClear(&user);
        EXPECT_EQ(twitter.FindNextUser(&user), S_OK);
    }
    EXPECT_EQ(walked, "abcd");
    EXPECT_EQ(LastError(), 25016);
    EXPECT_EQ(Sent(), 2u);
}

// Without a name the list is the keys' account's: the access token starts with its user id.
TEST_F(TwitterLists, TheDefaultUserComesFromTheAccessToken) {
    fake.Queue(Reply(200, UsersPageXml("a", "0")));
    fake.Queue(Reply(200, UsersPageXml("b", "0")));
    Put(&CTwitter::put_ConsumerKey, "ck");
    Put(&CTwitter::put_ConsumerSecret, "cs");
    Put(&CTwitter::put_AccessTokenSecret, "as");
    Put(&CTwitter::put_AccessToken, "12345-abc");
    VARIANT user = Friend("");
    VariantClear(&user);
    ASSERT_EQ(Sent(), 1u);
    EXPECT_NE(fake.State().sent.back().path.find("user_id=12345"), std::string::npos);
    EXPECT_TRUE(test::HasLine(Lines(), "-- FindFirstFriend user=[12345]"));
    Put(&CTwitter::put_AccessToken, "nodash");
    user = Friend("");
    VariantClear(&user);
    ASSERT_EQ(Sent(), 2u);
    EXPECT_NE(fake.State().sent.back().path.find("screen_name=nodash"), std::string::npos);
    Put(&CTwitter::put_AccessToken, "");
    user = Friend("");
    EXPECT_TRUE(IsNoObject(user));
    EXPECT_EQ(LastError(), 35010);
    EXPECT_EQ(Sent(), 2u);  // nothing asked for no one
}

TEST_F(TwitterLists, ACacheTimeOutOfZeroAlwaysFetches) {
    EXPECT_EQ(twitter.put_CacheTimeout(0), S_OK);
    for (int i = 0; i < 3; ++i) {
        fake.Queue(Reply(200, StatusesXml(1)));
        VARIANT status = First("public");
        EXPECT_EQ(TextOf(status, "Id"), "900");
        VariantClear(&status);
    }
    EXPECT_EQ(Sent(), 3u);
    EXPECT_FALSE(
        test::HasLine(Lines(), "Not refreshing, the current list is still valid for [0] seconds"));
}
