// Servers that never stop sending, trickle or flood: every call ends within its bounds of time
// and memory, says why in the log, and the process goes on.
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "Peers.h"
#include "automation/UniqueBstr.h"
#include "component/Twitter.h"
#include "http/ZelHttpEx.h"

namespace {

peers::BrokenServers* g_hostile = nullptr;

// The process's resident set and its peak, in KiB.
long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size());
    return -1;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

class HostileServer : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        g_hostile = new peers::BrokenServers(
            {"endless", "trickle", "continue", "dribble", "large", "dropmid"});
    }
    static void TearDownTestSuite() { delete g_hostile; }
    void SetUp() override {
        http.SetLogFile(log.c_str());
        http.Timeout = 200;  // a call ceiling of 1.2 s
        http.ReceiveTimeout = 800;
        ASSERT_EQ(http.Initialize(), 0);
    }
    void TearDown() override { http.Shutdown(); }

    static std::string Url(const char* mode) { return g_hostile->Url(mode); }
    std::string Trace() const { return test::ReadFile(log); }

    std::string log = g_hostile->Dir() + "/client-" +
                      testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    CZelHttpEx http;
    CZelString response;
};

bool Sanitized() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

}  // namespace

TEST_F(HostileServer, SlowHeadsAndBodiesEndAtTheCallCeiling) {
    for (const char* mode : {"trickle", "continue", "dribble"}) {
        auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(http.Get(Url(mode).c_str(), response), 22410) << mode;
        auto took = std::chrono::steady_clock::now() - started;
        // The ceiling, and at most one receive time-out's wait past it.
        EXPECT_GE(took, std::chrono::milliseconds(1200)) << mode;
        EXPECT_LT(took, std::chrono::milliseconds(1200 + 800 + 1000)) << mode;
        std::string trace = Trace();
        size_t said = trace.find("Call ended: it took longer than [1200] ms in all");
        EXPECT_NE(said, std::string::npos) << mode;
        EXPECT_EQ(trace.find("Call ended", said + 1), std::string::npos) << mode;  // once
        std::remove(log.c_str());
    }
}

TEST_F(HostileServer, AnEndlessBodyEndsAtTheReplyCeiling) {
    // The call's own ceiling well beyond the time 128 MiB take, under the sanitizers too.
    http.Timeout = 5000;
    ResetPeak();
    long before = StatusKiB("VmRSS:");
    EXPECT_EQ(http.Get(Url("endless").c_str(), response), 22382);
    EXPECT_EQ(response.Length(), 0u);  // a cut reply is never handed on to be parsed
    EXPECT_NE(Trace().find("Call ended: the reply is larger than [134217728] bytes"),
              std::string::npos);
    if (!Sanitized()) {  // the reply, its growth and the transport's buffer: well under 1 GiB
        EXPECT_LT(StatusKiB("VmHWM:") - before, 400 * 1024);
    }
    // The connection is not reused with the rest of that body on it.
    EXPECT_EQ(http.Get(Url("endless").c_str(), response), 22382);
}

// A reply over 1 MiB goes to the caller while its pages are given back: it arrives whole, the
// next call finds nothing half given back, and the component keeps at most 1 MiB of a reply
// between calls, whatever came.
TEST_F(HostileServer, LargeRepliesArriveWholeAndLeaveNoMemoryBehind) {
    if (Sanitized())
        GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
    CTwitter twitter;
    const std::u16string head = u"<statuses type=\"array\"><status><id>1</id><text>",
                         tail = u"</text></status></statuses>";
    // The call's code, and whether its reply passed the check.
    auto call = [&](const char* mode, const std::function<bool(std::u16string_view)>& check) {
        UniqueBstr method(CZelString(Url(mode).c_str()).ToBSTR()),
            format(CZelString("xml").ToBSTR());
        BSTR reply = nullptr;
        EXPECT_EQ(twitter.APICall(method.get(), format.get(), nullptr, VARIANT_FALSE, &reply),
                  S_OK);
        bool passed =
            check(std::u16string_view(reply != nullptr ? reply : u"", SysStringLen(reply)));
        SysFreeString(reply);
        LONG code = -1;
        twitter.get_LastError(&code);
        return std::make_pair(code, passed);
    };
    auto whole = [&](std::u16string_view text) {
        return text.size() == head.size() + (size_t{100} << 20) + tail.size() &&
               text.substr(0, head.size()) == head &&
               text.substr(text.size() - tail.size()) == tail &&
               text.find_first_not_of(u'x', head.size()) == text.size() - tail.size();
    };
    malloc_trim(0);
    long before = StatusKiB("VmRSS:");
    EXPECT_EQ(call("large", whole), std::make_pair(LONG{0}, true));
    // The next reply is whole too: nothing was left half given back.
    auto counted = [](std::u16string_view text) { return text.substr(0, 6) == u"posts="; };
    EXPECT_EQ(call("dropmid", counted), std::make_pair(LONG{0}, true));
    malloc_trim(0);
    EXPECT_LT(StatusKiB("VmRSS:") - before, 8 * 1024);
    EXPECT_EQ(call("endless", [](std::u16string_view) { return true; }).first, 35014);
    malloc_trim(0);
    EXPECT_LT(StatusKiB("VmRSS:") - before, 8 * 1024);
}

// A POST whose reused connection closes once the server has read it is not sent again: the server
// may have carried it out. The log says so.
TEST_F(HostileServer, APostIsNeverSentTwice) {
    EXPECT_EQ(http.Get(Url("dropmid").c_str(), response), 0);
    EXPECT_NE(http.Post(Url("dropmid").c_str(), "status=once", response), 0);
    EXPECT_NE(Trace().find("the POST was not re-sent, as the server may have carried it out"),
              std::string::npos)
        << Trace();
    EXPECT_EQ(http.Get(Url("dropmid").c_str(), response), 0);
    EXPECT_STREQ(response.c_str(), "posts=1");
}
