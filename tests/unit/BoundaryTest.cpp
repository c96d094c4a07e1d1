// Every member of every object, with each of its allocations failing in turn: the member answers
// with a code (the Twitter object with its result code and result line too), keeps nothing it
// allocated, and the object goes on working.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AllocationLimit.h"
#include "FakeTransport.h"
#include "WarblerObjects.h"
#include "automation/BstrText.h"

namespace {

using test::Reply;

// What the service answers the member that goes to it.
std::string ReplyFor(const std::string& member) {
    const std::string user =
        "<user><id>1</id><name>N</name><screen_name>u</screen_name><location>L</location>"
        "<followers_count>2</followers_count></user>";
    const std::string status =
        "<status><id>9</id><created_at>c</created_at><text>t</text>" + user + "</status>";
    if (member == "FindFirstTweet")
        return "<statuses type=\"array\">" + status + status + "</statuses>";
    if (member == "Tweet" || member == "DirectTweet")
        return status;
    if (member == "FindFirstFriend" || member == "FindFirstFollower")
        return "<users_list><users type=\"array\">" + user + user +
               "</users><next_cursor>0</next_cursor><previous_cursor>0</previous_cursor>"
               "</users_list>";
    if (member == "FindFirstUser")
        return "<users type=\"array\">" + user + user + "</users>";
    if (member == "Follow" || member == "UnFollow")
        return user;
    if (member == "RequestAuthorization" || member == "RequestAccessToken")
        return "oauth_token=t&oauth_token_secret=s&oauth_callback_confirmed=true";
    return "<ok/>";
}

// The member's arguments in their declared types: a text for each text (a key file's name where
// the member takes one), zero and false for the rest.
class Arguments {
  public:
    Arguments(const dispatch::Member& member, const std::string& file) : values_(8) {
        for (VARIANT& v : values_) VariantInit(&v);
        uint16_t count = member.params != nullptr ? member.paramCount : 1;
        for (uint16_t i = 0; i < count; ++i) {
            VARTYPE type = member.params != nullptr ? member.params[i].type : member.type;
            if (member.params != nullptr && (member.params[i].flags & dispatch::kOut) != 0)
                continue;
            values_[i].vt = type;
            if (type == VT_BSTR)
                values_[i].bstrVal = automation::AnsiToBstr(
                    std::strstr(member.name, "Key") != nullptr ? file : "home");
        }
    }
    ~Arguments() {
        for (VARIANT& v : values_) VariantClear(&v);
    }
    VARIANT* Get() { return values_.data(); }

  private:
    std::vector<VARIANT> values_;
};

class Boundary : public testing::Test {
  protected:
    void SetUp() override {
        if (!test::AllocationLimit::Available())
            GTEST_SKIP() << "AddressSanitizer owns operator new";
    }

    // A Twitter object on the fake transport, logging, with keys (for what they sign).
    objects::Twitter* NewTwitter() {
        auto* twitter = new objects::Twitter;
        twitter->InnerUnknown()->AddRef();
        for (auto [put, text] : {std::pair{&objects::Twitter::put_HttpLibrary, fake.Path()},
                                 {&objects::Twitter::put_LogFile, log.c_str()},
                                 {&objects::Twitter::put_ConsumerKey, "ck"},
                                 {&objects::Twitter::put_ConsumerSecret, "cs"},
                                 {&objects::Twitter::put_AccessToken, "at"},
                                 {&objects::Twitter::put_AccessTokenSecret, "as"}}) {
            UniqueBstr value(automation::AnsiToBstr(text));
            (twitter->*put)(value.get());
        }
        return twitter;
    }

    // Runs each kind of the member once with the allocation after `succeeding` others failing;
    // false once the member no longer allocates that many.
    template <class Object>
    bool FailOnce(Object* object, const dispatch::Member& member, size_t succeeding) {
        bool failed = false;
        for (uint16_t kind : {dispatch::kGet, dispatch::kPut, dispatch::kMethod}) {
            if ((member.kinds & kind) == 0)
                continue;
            fake.Queue(Reply(200, ReplyFor(member.name)));
            Arguments args(member, dir.File("keys.ini"));
            VARIANT result;
            VariantInit(&result);
            HRESULT hr = S_OK;
            {
                auto limit = test::AllocationLimit::FailAfter(succeeding);
                hr = member.invoke(object, kind, args.Get(), &result);
                failed = failed || limit.Failed();
            }
            VariantClear(&result);
            EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY)
                << member.name << " after " << succeeding << ": " << std::hex << hr;
            if constexpr (std::is_same_v<Object, objects::Twitter>)
                if (hr == E_OUTOFMEMORY)
                    ExpectResultLine(*object, member.name);
        }
        return failed;
    }

    void ExpectResultLine(objects::Twitter& twitter, const char* member) {
        LONG code = 0;
        twitter.get_LastError(&code);
        EXPECT_EQ(code, 22382) << member;
        std::vector<std::string> lines = test::LogMessages(log);
        std::string name = std::strcmp(member, "DirectTweet") == 0 ? "Tweet" : member;
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), name + " result: [22382: Could not allocate buffer]");
    }

    // The member's sweep on fresh objects, each released afterwards: the blocks alive before it
    // are all that is alive after it. A whole run first: what the process sets up once (a
    // generator's state, a parser's tables) is there before anything is counted.
    template <class Make>
    void Sweep(const dispatch::Table& table, Make make) {
        for (size_t m = 0; m < table.count; ++m) {
            const dispatch::Member& member = table.members[m];
            auto* warm = make();
            FailOnce(warm, member, SIZE_MAX);
            warm->InnerUnknown()->Release();
            for (size_t succeeding = 0;; ++succeeding) {
                fake.State() = FakeState{};  // what the fake kept of earlier calls
                long live = test::AllocationLimit::Live();
                auto* object = make();
                bool failed = FailOnce(object, member, succeeding);
                // Usable afterwards: the member runs whole.
                FailOnce(object, member, SIZE_MAX);
                object->InnerUnknown()->Release();
                fake.State() = FakeState{};
                EXPECT_EQ(test::AllocationLimit::Live(), live)
                    << member.name << " after " << succeeding;
                if (!failed || HasFailure())
                    break;
            }
        }
    }

    test::FakeTransport fake;
    test::TempDir dir;
    std::string log = dir.File("boundary.log");
};

}  // namespace

TEST_F(Boundary, EveryTwitterMemberSurvivesEachFailedAllocation) {
    NewTwitter()->InnerUnknown()->Release();  // the process's one-time state comes first
    Sweep(objects::Twitter::Members(), [this] { return NewTwitter(); });
}

TEST_F(Boundary, EveryTweetAndUserMemberSurvivesEachFailedAllocation) {
    objects::Twitter* twitter = NewTwitter();
    fake.Queue(Reply(200, ReplyFor("FindFirstTweet")));
    VARIANT status;
    VariantInit(&status);
    UniqueBstr home(automation::AnsiToBstr("home"));
    ASSERT_EQ(twitter->FindFirstTweet(home.get(), nullptr, nullptr, 0, 0, &status), S_OK);
    ASSERT_EQ(status.vt, VT_DISPATCH);
    auto* tweet = static_cast<objects::Tweet*>(static_cast<ITweet*>(status.pdispVal));
    VARIANT author;
    ASSERT_EQ(tweet->get_User(&author), S_OK);
    auto* user = static_cast<objects::User*>(static_cast<IUser*>(author.pdispVal));
    // Each sweep holds one more reference to the same object: nothing of it is released.
    Sweep(objects::Tweet::Members(), [tweet] {
        tweet->InnerUnknown()->AddRef();
        return tweet;
    });
    Sweep(objects::User::Members(), [user] {
        user->InnerUnknown()->AddRef();
        return user;
    });
    VariantClear(&author);
    VariantClear(&status);
    twitter->InnerUnknown()->Release();
}
