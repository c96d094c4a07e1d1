#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <regex>
#include <string>

#include "TestSupport.h"
#include "common/ZelBase.h"

namespace {

class ZelBaseLog : public testing::Test {
  protected:
    void SetUp() override { owner.SetLogFile(path.c_str()); }
    test::TempDir dir;
    std::string path = dir.File("trace.log");
    CZelBase owner;
};

}  // namespace

TEST_F(ZelBaseLog, LineIsTimeBlankMessageAndLineFeed) {
    owner.Log(LOG_VERBATIM, "-- Tweet status=[%s],", "hello");
    owner.Log(LOG_VERBATIM | LOG_TO_PROFILE, "Tweet result: [%d: %s]", 0, "Success");
    std::string text = test::ReadFile(path);
    EXPECT_TRUE(std::regex_match(
        text, std::regex("\\[\\d\\d:\\d\\d:\\d\\d\\] -- Tweet status=\\[hello\\],\n"
                         "\\[\\d\\d:\\d\\d:\\d\\d\\] Tweet result: \\[0: Success\\]\n")))
        << text;
}

TEST_F(ZelBaseLog, FlagOneEscapesLineBreaksAndFlagFourKeepsThem) {
    const char* message = "a\r\nb\rc\nd\r\n\n";
    owner.Log(LOG_TO_FILE, "%s", message);
    owner.Log(LOG_VERBATIM, "%s", message);
    std::string text = test::ReadFile(path);
    size_t first = text.find('\n');
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.substr(11, first - 11), "a <CRLF> b <CR> c <LF> d");
    EXPECT_EQ(text.substr(first + 1 + 11), "a\r\nb\rc\nd\r\n\n\n");
}

TEST_F(ZelBaseLog, NothingIsWrittenWithoutPathFlagsOrFormat) {
    owner.Log(LOG_VERBATIM, "%s", "");  // an empty message still gets its time
    owner.Log(0, "no flags");
    owner.Log(LOG_TO_PROFILE, "second target only");
    const char* emptyFormat = "";
    owner.Log(LOG_VERBATIM, emptyFormat, 0);
    EXPECT_EQ(test::ReadFile(path).size(), 12u);

    CZelBase silent;
    silent.Log(LOG_VERBATIM, "x");
    silent.LogSized(LOG_VERBATIM, 64, "x");
    owner.SetLogFile("");
    owner.Log(LOG_VERBATIM, "after switching off");
    EXPECT_EQ(test::ReadFile(path).size(), 12u);
}

TEST_F(ZelBaseLog, DeletedFileIsCreatedAgainAndNeverTruncated) {
    owner.Log(LOG_VERBATIM, "one");
    std::remove(path.c_str());
    owner.Log(LOG_VERBATIM, "two");
    owner.Log(LOG_VERBATIM, "three");
    std::string text = test::ReadFile(path);
    EXPECT_EQ(text.find("one"), std::string::npos);
    EXPECT_NE(text.find("two\n"), std::string::npos);
    EXPECT_NE(text.find("three\n"), std::string::npos);
}

TEST_F(ZelBaseLog, LongLinesAreWrittenWhole) {
    std::string big(100000, 'q');
    owner.Log(LOG_VERBATIM, "[%s]", big.c_str());
    owner.LogSized(LOG_VERBATIM, big.size() + 64,
                   "-- FindFirstUser q=[%s], per_page=[%d], page[%d]", big.c_str(), 0, 0);
    owner.LogSized(LOG_VERBATIM, 64, "short hint [%s]", big.c_str());
    std::string text = test::ReadFile(path);
    EXPECT_NE(text.find("[" + big + "]\n"), std::string::npos);
    EXPECT_NE(text.find("q=[" + big + "], per_page=[0], page[0]\n"), std::string::npos);
    EXPECT_NE(text.find("short hint [" + big + "]\n"), std::string::npos);
}

TEST_F(ZelBaseLog, SmallSizeHintLeavesAnAssertionTrace) {
    const std::string folder = "/tmp/zeldebug";
    bool created = mkdir(folder.c_str(), 0755) == 0;
    std::string before = test::ReadFile(folder + "/assert.txt");
    owner.LogSized(LOG_VERBATIM, 8, "%s", "tiny");
    std::string after = test::ReadFile(folder + "/assert.txt");
    if (created) {
        std::remove((folder + "/assert.txt").c_str());
        rmdir(folder.c_str());
    }
    ASSERT_GT(after.size(), before.size());
    EXPECT_TRUE(std::regex_match(
        after.substr(before.size()),
        std::regex("\\[\\d\\d:\\d\\d:\\d\\d\\] VELMORA ASSERTION FAILURE, FILE: "
                   "\\[\\.\\.\\\\\\.\\.\\\\\\.\\.\\\\common\\\\VisualC\\\\Source\\\\ZelBase\\]; "
                   "LINE: 593\n")))
        << after;
    EXPECT_NE(test::ReadFile(path).find("tiny\n"), std::string::npos);  // the line is still logged
}

// A log file that names a FIFO nobody reads must not hold the caller up: the line is lost.
TEST_F(ZelBaseLog, AFifoAsLogFileDoesNotBlock) {
    std::string fifo = dir.File("fifo.log");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    owner.SetLogFile(fifo.c_str());
    auto logged = std::async(std::launch::async, [this] { owner.Log(LOG_VERBATIM, "lost"); });
    bool returned = logged.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!returned) {  // a reader releases a blocked open so that the test still ends
        int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        logged.wait();
        close(reader);
    }
    EXPECT_TRUE(returned);
}
