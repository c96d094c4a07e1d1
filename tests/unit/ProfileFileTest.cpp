#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "TestSupport.h"
#include "platform/ProfileFile.h"

namespace {

std::string Read(const char* section, const char* key, const std::string& file,
                 uint32_t size = 512) {
    std::string buffer(size, '\0');
    uint32_t n = platform::GetProfileString(section, key, "", buffer.data(), size, file.c_str());
    return buffer.substr(0, n);
}

}  // namespace

TEST(ProfileFile, NewFileIsPrivateAndReadsBack) {
    test::TempDir dir;
    std::string file = dir.File("keys.ini");
    ASSERT_TRUE(platform::WriteProfileString("Pair", "Key", "v1", file.c_str()));
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Read("pair", "KEY", file), "v1");
    EXPECT_EQ(Read("Pair", "Missing", file), "");
    EXPECT_EQ(Read("Pair", "Key", dir.File("absent.ini")), "");
}

TEST(ProfileFile, ReplacesInPlaceAndKeepsOtherLines) {
    test::TempDir dir;
    std::string file = dir.File("keys.ini");
    test::WriteFile(file, "; comment\n[OTHER]\nKey=keep\n\n[pair]\nKEY = old\nLast=1\n");
    ASSERT_TRUE(platform::WriteProfileString("Pair", "key", "new", file.c_str()));
    ASSERT_TRUE(platform::WriteProfileString("Pair", "Added", "2", file.c_str()));
    ASSERT_TRUE(platform::WriteProfileString("Third", "A", "3", file.c_str()));
    EXPECT_EQ(test::ReadFile(file),
              "; comment\n[OTHER]\nKey=keep\n\n[pair]\nKEY=new\nLast=1\nAdded=2\n\n[Third]\nA=3\n");
    EXPECT_EQ(Read("other", "key", file), "keep");
}

TEST(ProfileFile, ReadIsBoundedByTheBufferAndQuotesAreStripped) {
    test::TempDir dir;
    std::string file = dir.File("keys.ini");
    std::string longValue(5000, 'v');
    ASSERT_TRUE(platform::WriteProfileString("S", "K", longValue.c_str(), file.c_str()));
    EXPECT_EQ(Read("S", "K", file, 512).size(), 511u);
    EXPECT_EQ(Read("S", "K", file, 65536), longValue);
    test::WriteFile(file, "[S]\r\nK= \"quoted value\" \r\n");
    EXPECT_EQ(Read("S", "K", file), "quoted value");
}

TEST(ProfileFile, RefusesLineBreaksAndDirectories) {
    test::TempDir dir;
    std::string file = dir.File("keys.ini");
    EXPECT_FALSE(platform::WriteProfileString("S", "K", "a\nb", file.c_str()));
    EXPECT_FALSE(test::Exists(file));
    EXPECT_FALSE(platform::WriteProfileString("S", "K", "v", dir.Path().c_str()));
    EXPECT_FALSE(platform::WriteProfileString("S", "K", "v", dir.File("no/such/dir.ini").c_str()));
    EXPECT_FALSE(platform::FileExists(dir.Path().c_str()));
}
