#include <gtest/gtest.h>

#include <regex>

#include "FakeTransport.h"
#include "http/ZelHttpEx.h"

TEST(WinHttpLib, NamedLibraryThatDoesNotExistIsNotReplacedByTheDefault) {
    test::TempDir dir;
    CWinHttpLib binding("CZelHttpEx");
    binding.SetLogFile(dir.File("log").c_str());
    binding.LibraryName.Assign(dir.File("missing.so").c_str());
    EXPECT_EQ(binding.Load(), 22390);
    EXPECT_FALSE(binding.IsLoaded());
    auto lines = test::LogMessages(dir.File("log"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "LoadLibrary [" + dir.File("missing.so") + "], result: [0x00000000]");
}

TEST(WinHttpLib, LibraryLackingAnOperationIsRefused) {
    test::FakeTransport fake(FAKE_WINHTTP_NOWRITE);
    CZelHttpEx http;
    http.Binding.LibraryName.Assign(FAKE_WINHTTP_NOWRITE);
    EXPECT_EQ(http.Binding.Load(), 22426);
    EXPECT_TRUE(http.Binding.IsLoaded());  // stays loaded until the client shuts down
    EXPECT_NE(http.Binding.WinHttpSetTimeouts, nullptr);
    http.Binding.Unload();
    EXPECT_EQ(http.Binding.WinHttpCloseHandle, nullptr);

    EXPECT_EQ(http.Initialize(), 22390);
    EXPECT_FALSE(http.Binding.IsLoaded());
    EXPECT_FALSE(http.IsInitialized());
}

TEST(WinHttpLib, DefaultSearchFindsTheModuleBesideTheLibrary) {
    test::TempDir dir;
    CWinHttpLib binding("CZelHttpEx");
    binding.SetLogFile(dir.File("log").c_str());
    ASSERT_EQ(binding.Load(), 0);
    EXPECT_NE(binding.WinHttpQueryDataAvailable, nullptr);
    auto lines = test::LogMessages(dir.File("log"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        lines[0],
        std::regex("LoadLibrary \\[.*/libwarbler_winhttp\\.so\\], result: \\[0x[0-9A-F]{8,}\\]")))
        << lines[0];
}
