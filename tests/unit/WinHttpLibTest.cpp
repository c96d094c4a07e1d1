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
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "LoadLibrary [" + dir.File("missing.so") + "], result: [0x00000000]");
    // The loader's own words follow.
    EXPECT_EQ(lines[1], "--> The loader says: [" + dir.File("missing.so") +
                            ": cannot open shared object file: No such file or directory]");
}

TEST(WinHttpLib, LibraryLackingAnOperationIsRefused) {
    test::FakeTransport fake(FAKE_WINHTTP_NOWRITE);
    test::TempDir dir;
    CZelHttpEx http;
    http.Binding.SetLogFile(dir.File("log").c_str());
    http.Binding.LibraryName.Assign(FAKE_WINHTTP_NOWRITE);
    EXPECT_EQ(http.Binding.Load(), 22426);
    EXPECT_EQ(test::LogMessages(dir.File("log")).back(),
              "--> The module has no function [WinHttpWriteData]");
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
