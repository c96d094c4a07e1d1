// Every REST endpoint of the client against the service simulator: the path and parameters the
// simulator received, paging, cursors and the service's errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Peers.h"
#include "common/ResultCodes.h"
#include "rest/RecordFiller.h"
#include "rest/XTwitter.h"

namespace {

StatusRecord StatusAt(const XmlNodeList& statuses, size_t index) {
    StatusRecord record;
    FillStatusRecord(statuses.Item(index), record);
    return record;
}

UserRecord UserAt(const XmlNodeList& users, size_t index) {
    UserRecord record;
    FillUserRecord(users.Item(index), record);
    return record;
}

peers::Simulator* g_sim = nullptr;

class RestEndpoints : public testing::Test {
  protected:
    static void SetUpTestSuite() { g_sim = new peers::Simulator({"--page-size", "20"}); }
    static void TearDownTestSuite() { delete g_sim; }

    void SetUp() override {
        ASSERT_TRUE(g_sim->Running());
        setenv("WARBLER_API_HOST", g_sim->HostPort().c_str(), 1);
        client = std::make_unique<CXTwitter>();
        unsetenv("WARBLER_API_HOST");
        client->ConsumerKey.Assign(g_sim->Credential("consumer_key").c_str());
        client->ConsumerSecret.Assign(g_sim->Credential("consumer_secret").c_str());
        client->Token.Assign(g_sim->Credential("access_token").c_str());
        client->TokenSecret.Assign(g_sim->Credential("access_token_secret").c_str());
        client->SetLogFile(log.c_str());
    }
    void TearDown() override { std::remove(log.c_str()); }

    // True when the simulator logged a request line starting with this method and target.
    bool Received(const std::string& requestStart) const {
        return g_sim->Output().find("\"" + requestStart) != std::string::npos;
    }
    std::string Log() const { return peers::ReadText(log); }

    std::string log = "/tmp/warbler-rest-" + std::to_string(::getpid()) + ".log";
    std::unique_ptr<CXTwitter> client;
};

}  // namespace

TEST_F(RestEndpoints, UpdateStatusAndItsErrors) {
    CZelString id;
    ASSERT_EQ(client->UpdateStatus("Posted by the REST client test \xE2\x9C\x93", nullptr, id), 0);
    EXPECT_FALSE(id.IsEmpty());
    EXPECT_TRUE(id.IsAllDigits());
    EXPECT_NE(Log().find("Tweet success, status id: [" + id.Str() + "]"), std::string::npos);
    EXPECT_TRUE(Received("POST /1/statuses/update.xml HTTP/1.1\" 200"));

    CZelString reply;
    ASSERT_EQ(client->UpdateStatus("a reply", id.c_str(), reply), 0);
    CZelString again;
    EXPECT_EQ(client->UpdateStatus("a reply", nullptr, again), rc::StatusForbidden);  // duplicate
    EXPECT_TRUE(again.IsEmpty());
    EXPECT_NE(Log().find("--> Twitter API error: [Status is a duplicate.]"), std::string::npos);
    EXPECT_EQ(client->UpdateStatus(std::string(141, 'x').c_str(), nullptr, again),
              rc::StatusForbidden);

    size_t before = g_sim->Output().size();
    EXPECT_EQ(client->UpdateStatus("", nullptr, again), rc::NoMessage);
    EXPECT_NE(Log().find("Twitter error: [Need a message]"), std::string::npos);
    EXPECT_EQ(g_sim->Output().size(), before);  // nothing was sent
}

TEST_F(RestEndpoints, FollowAndUnfollow) {
    EXPECT_EQ(client->CreateFriendship("erin"), 0);
    EXPECT_TRUE(Received("GET /1/friendships/create/erin.xml?screen_name=erin HTTP/1.1\" 200"));
    EXPECT_EQ(client->CreateFriendship("12"), rc::FollowForbidden);  // already following erin
    EXPECT_TRUE(Received("GET /1/friendships/create/12.xml?user_id=12 HTTP/1.1\" 403"));
    EXPECT_EQ(client->DestroyFriendship("12"), 0);
    // The service's 403 carries an error text, which takes precedence for an unfollow.
    EXPECT_EQ(client->DestroyFriendship("erin"), rc::ServiceError);
    EXPECT_EQ(client->CreateFriendship(""), rc::NoUser);
    EXPECT_EQ(client->DestroyFriendship(nullptr), rc::NoUser);
    EXPECT_NE(Log().find("Twitter error: [Need a user id or name]"), std::string::npos);
}

TEST_F(RestEndpoints, TimelinesGoToTheirPaths) {
    const std::vector<std::pair<const char*, std::string>> names = {
        {"public", "statuses/public_timeline"},
        {"home", "statuses/home_timeline"},
        {"friends", "statuses/friends_timeline"},
        {"mentions", "statuses/mentions"},
        {"retweeted_by_me", "statuses/retweeted_by_me"},
        {"retweeted_to_me", "statuses/retweeted_to_me"},
        {"retweeted_of_me", "statuses/retweets_of_me"},
    };
    for (const auto& [name, path] : names) {
        XmlNodeList statuses;
        EXPECT_EQ(client->GetTimeline(statuses, name, nullptr, nullptr, 0, 0), 0) << name;
        EXPECT_NE(statuses.Length(), 0u) << name;
        // A signed GET without parameters has no query at all.
        EXPECT_TRUE(Received("GET /1/" + path + ".xml HTTP/1.1\" 200")) << name;
        EXPECT_FALSE(StatusAt(statuses, 0).user.screen_name.IsEmpty());
    }
    XmlNodeList statuses;
    EXPECT_EQ(client->GetTimeline(statuses, "alice", nullptr, nullptr, 0, 0), 0);
    EXPECT_TRUE(Received("GET /1/statuses/user_timeline.xml?screen_name=alice HTTP/1.1\" 200"));
    for (size_t i = 0; i < statuses.Length(); ++i)
        EXPECT_EQ(StatusAt(statuses, i).user.screen_name.Str(), "alice");
    EXPECT_EQ(client->GetTimeline(statuses, "783214", nullptr, nullptr, 3, 2), 0);
    EXPECT_TRUE(
        Received("GET /1/statuses/user_timeline.xml?count=3&page=2&user_id=783214 HTTP/1.1\" 200"));
    EXPECT_EQ(statuses.Length(), 3u);
    // An empty name is sent as an empty user id; the service answers with the caller's own.
    EXPECT_EQ(client->GetTimeline(statuses, "", nullptr, nullptr, 0, 0), 0);
    EXPECT_TRUE(Received("GET /1/statuses/user_timeline.xml?user_id= HTTP/1.1\" 200"));
    EXPECT_EQ(StatusAt(statuses, 0).user.screen_name.Str(), "warbler_demo");
}

TEST_F(RestEndpoints, TimelinePagingByIds) {
    XmlNodeList all, newer, older;
    ASSERT_EQ(client->GetTimeline(all, "home", nullptr, nullptr, 10, 0), 0);
    ASSERT_EQ(all.Length(), 10u);
    ASSERT_EQ(client->GetTimeline(newer, "home", StatusAt(all, 3).id.c_str(), nullptr, 0, 0), 0);
    ASSERT_EQ(newer.Length(), 3u);
    EXPECT_EQ(StatusAt(newer, 0).id.Str(), StatusAt(all, 0).id.Str());
    ASSERT_EQ(client->GetTimeline(older, "home", nullptr, StatusAt(all, 3).id.c_str(), 2, 0), 0);
    ASSERT_EQ(older.Length(), 2u);
    EXPECT_EQ(StatusAt(older, 0).id.Str(), StatusAt(all, 3).id.Str());
    EXPECT_EQ(StatusAt(older, 1).id.Str(), StatusAt(all, 4).id.Str());
    EXPECT_TRUE(
        Received("GET /1/statuses/home_timeline.xml?count=2&max_id=" + StatusAt(all, 3).id.Str()));
}

TEST_F(RestEndpoints, FriendsCursorWalk) {
    CZelString cursor;
    XmlNodeList page;
    std::set<std::string> names;
    int pages = 0;
    do {
        ASSERT_EQ(client->GetFriends("warbler_demo", page, cursor), 0);
        for (size_t i = 0; i < page.Length(); ++i) names.insert(UserAt(page, i).screen_name.Str());
        ++pages;
    } while (!(cursor == "0") && pages < 10);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(names.size(), 45u);
    // The form encoding writes the minus sign escaped.
    EXPECT_TRUE(Received(
        "GET /1/statuses/friends.xml?cursor=%2D1&screen_name=warbler%5Fdemo HTTP/1.1\" 200"));
    EXPECT_NE(Log().find("Cursor position: [0]"), std::string::npos);

    CZelString followers;
    ASSERT_EQ(client->GetFollowers("14785507", page, followers), 0);
    EXPECT_EQ(page.Length(), 20u);
    EXPECT_NE(followers.Str(), "0");
    EXPECT_TRUE(Received("GET /1/statuses/followers.xml?cursor=%2D1&user_id=14785507"));
    EXPECT_EQ(client->GetFriends("", page, cursor), rc::NoUser);
}

// A retry after a refused page asks for that page again.
TEST_F(RestEndpoints, ErrorReplyKeepsTheCursor) {
    CZelString cursor("1234");
    XmlNodeList page;
    EXPECT_EQ(client->GetFriends("ghost_user", page, cursor), rc::ServiceError);
    EXPECT_EQ(page.Length(), 0u);
    EXPECT_STREQ(cursor.c_str(), "1234");
}

TEST_F(RestEndpoints, UserSearch) {
    XmlNodeList users;
    ASSERT_EQ(client->SearchUsers("friend", users, 5, 2), 0);
    ASSERT_EQ(users.Length(), 5u);
    EXPECT_EQ(UserAt(users, 0).screen_name.Str(), "friend_06");
    EXPECT_TRUE(Received("GET /1/users/search.xml?page=2&per_page=5&q=friend HTTP/1.1\" 200"));
    EXPECT_EQ(client->SearchUsers("", users, 0, 0), rc::NoQuery);
    ASSERT_EQ(client->SearchUsers("carol", users, 0, 0), 0);
    ASSERT_EQ(users.Length(), 1u);
    EXPECT_EQ(UserAt(users, 0).protected_, 1);
    EXPECT_EQ(UserAt(users, 0).location.Str(),
              "Montr\xC3\xA9"
              "al");
}

TEST_F(RestEndpoints, UnsignedCallsAndServiceErrors) {
    client->Token.Assign("");
    XmlNodeList statuses;
    EXPECT_EQ(client->GetTimeline(statuses, "public", nullptr, nullptr, 2, 0), 0);
    EXPECT_EQ(statuses.Length(), 2u);
    // The 401 reply carries an error text: that comes first.
    EXPECT_EQ(client->GetTimeline(statuses, "home", nullptr, nullptr, 0, 0), rc::ServiceError);
    EXPECT_NE(Log().find("--> Twitter API error: [Could not authenticate with OAuth.]"),
              std::string::npos);
    EXPECT_NE(Log().find("OAuth unsigned get request to: [http://" + g_sim->HostPort() +
                         "/1/statuses/home_timeline.xml]"),
              std::string::npos);
}
