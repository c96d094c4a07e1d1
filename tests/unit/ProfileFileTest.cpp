#include <gtest/gtest.h>

#include <dirent.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

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

namespace {

// Runs the check in a child process, as the unprivileged user when the tests run as root (root
// would pass every permission check); true when the check held.
bool AsUnprivilegedUser(const std::function<bool()>& check) {
    pid_t child = fork();
    if (child == 0) {
        bool dropped = geteuid() != 0 ||
                       (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
        _exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool SavePair(const std::string& file, const char* first, const char* second) {
    const char* keys[] = {"AccessToken", "AccessSecret"};
    const char* values[] = {first, second};
    return platform::WriteProfileStrings("AccessTokenPair", keys, values, 2, file.c_str());
}

}  // namespace

TEST(ProfileFile, FilesThatAreNoRegularFilesAreRefusedAtOnce) {
    test::TempDir dir;
    std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(platform::FileExists(fifo.c_str()));
    EXPECT_FALSE(platform::FileExists("/dev/zero"));
    EXPECT_FALSE(SavePair(fifo, "a", "b"));  // returns: no reader needed, nothing waited for
    EXPECT_EQ(Read("AccessTokenPair", "AccessToken", fifo), "");
    EXPECT_EQ(Read("AccessTokenPair", "AccessToken", "/dev/zero"), "");
}

TEST(ProfileFile, ByteOrderMarkAndLineEndsAreKept) {
    test::TempDir dir;
    std::string file = dir.File("keys.ini");
    test::WriteFile(file, "\xEF\xBB\xBF[AccessTokenPair]\r\nAccessToken=old\nAccessSecret=s\r\n");
    EXPECT_EQ(Read("AccessTokenPair", "AccessToken", file), "old");
    ASSERT_TRUE(SavePair(file, "new", "s2"));
    EXPECT_EQ(test::ReadFile(file),
              "\xEF\xBB\xBF[AccessTokenPair]\r\nAccessToken=new\nAccessSecret=s2\r\n");
    // A long line is read up to the longest value a read returns.
    std::string huge(100000, 'x');
    test::WriteFile(file, "[S]\nK=" + huge + "\n");
    EXPECT_EQ(Read("S", "K", file, 70000), huge.substr(0, platform::kProfileValueLimit));
}

TEST(ProfileFile, ConcurrentSavesAndLoadsSeeWholePairs) {
    test::TempDir dir;
    std::string file = dir.File("keys.ini");
    ASSERT_TRUE(SavePair(file, "start", "start"));
    std::vector<pid_t> savers;
    for (char writer : {'a', 'b'}) {
        pid_t child = fork();
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < 1500 && ok; ++i) {
                std::string value = std::string(1, writer) + std::to_string(i);
                ok = SavePair(file, value.c_str(), value.c_str());
            }
            _exit(ok ? 0 : 1);
        }
        savers.push_back(child);
    }
    int torn = 0, loads = 0;
    for (int i = 0; i < 3000; ++i, ++loads) {
        const char* keys[] = {"AccessToken", "AccessSecret"};
        std::string values[2];
        platform::GetProfileStrings("AccessTokenPair", keys, values, 2, "", file.c_str());
        torn += values[0] != values[1] || values[0].empty() ? 1 : 0;
    }
    for (pid_t saver : savers) {
        int status = 0;
        ASSERT_EQ(waitpid(saver, &status, 0), saver);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(torn, 0) << "of " << loads << " loads";
}

TEST(ProfileFile, PermissionsAsWindowsHasThem) {
    test::TempDir dir;
    chmod(dir.Path().c_str(), 0777);
    std::string readOnly = dir.File("read-only.ini"), unreadable = dir.File("unreadable.ini");
    std::string folder = dir.File("read-only-folder"), inFolder = folder + "/keys.ini";
    test::WriteFile(readOnly, "[AccessTokenPair]\nAccessToken=kept\n");
    test::WriteFile(unreadable, "[Other]\nA=kept\n");
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    test::WriteFile(inFolder, "[AccessTokenPair]\nAccessToken=old\n");
    for (const std::string& path : {readOnly, unreadable, inFolder})
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    chmod(readOnly.c_str(), 0444);
    chmod(unreadable.c_str(), 0200);
    chmod(inFolder.c_str(), 0640);
    chmod(folder.c_str(), 0555);
    EXPECT_TRUE(AsUnprivilegedUser([&] {
        return !SavePair(readOnly, "a", "b") && !SavePair(unreadable, "a", "b") &&
               SavePair(inFolder, "new", "pair");
    }));
    EXPECT_EQ(test::ReadFile(readOnly), "[AccessTokenPair]\nAccessToken=kept\n");
    EXPECT_EQ(test::ReadFile(unreadable), "[Other]\nA=kept\n");
    EXPECT_EQ(Read("AccessTokenPair", "AccessSecret", inFolder), "pair");
    struct stat st {};
    ASSERT_EQ(stat(inFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_uid, 65534u);
    chmod(folder.c_str(), 0755);

    // A link's target is updated and the link kept; long names work.
    std::string target = dir.File("target.ini"), link = dir.File("link.ini");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(SavePair(link, "via", "link"));
    EXPECT_EQ(Read("AccessTokenPair", "AccessToken", target), "via");
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::string longName = dir.File(std::string(250, 'k') + ".ini");
    EXPECT_TRUE(SavePair(longName, "long", "name"));
    EXPECT_EQ(Read("AccessTokenPair", "AccessSecret", longName), "name");
}

namespace {

// Runs check in a child with a file system of its own: a 16 KiB tmpfs at folder. Skips where
// the process may not make one (not root, no mount namespace).
int OnFullDisk(const std::string& folder, const std::function<bool()>& check) {
    pid_t child = fork();
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k") != 0)
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)
               ? WEXITSTATUS(status)
               : 1;
}

}  // namespace

// A save on a full disk leaves the old pair whole; once there is room, the new pair is whole and
// nothing is left beside the file.
TEST(ProfileFile, AFullDiskLeavesTheOldPair) {
    test::TempDir dir;
    std::string folder = dir.File("small");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    int outcome = OnFullDisk(folder, [&] {
        std::string file = folder + "/keys.ini";
        // The new pair makes the file longer than the page it fills.
        std::string old = "[Other]\nPad=" + std::string(4000, 'p') +
                          "\n\n[AccessTokenPair]\nAccessToken=1-old\nAccessSecret=old-secret\n";
        test::WriteFile(file, old);
        std::string filler = folder + "/filler";
        FILE* fill = std::fopen(filler.c_str(), "w");
        std::string block(512, 'f');
        while (fill != nullptr &&
               std::fwrite(block.data(), 1, block.size(), fill) == block.size() &&
               std::fflush(fill) == 0) {
        }
        if (fill != nullptr)
            std::fclose(fill);
        std::string secret(45, 's');
        bool refused = !SavePair(file, "1-new-token-that-is-long", secret.c_str());
        bool kept = test::ReadFile(file) == old;
        // A new file that cannot be saved is not left behind, empty or cut.
        std::string fresh = folder + "/new.ini";
        bool nothingNew = !SavePair(fresh, "1-new-token-that-is-long", secret.c_str()) &&
                          access(fresh.c_str(), F_OK) != 0;
        std::remove(filler.c_str());
        bool saved = SavePair(file, "1-new-token-that-is-long", secret.c_str()) &&
                     Read("AccessTokenPair", "AccessSecret", file) == secret;
        int entries = 0;
        for (DIR* d = opendir(folder.c_str()); d != nullptr;) {
            dirent* entry = readdir(d);
            if (entry == nullptr) {
                closedir(d);
                break;
            }
            entries += entry->d_name[0] != '.' || std::strlen(entry->d_name) > 2 ? 1 : 0;
        }
        return refused && kept && nothingNew && saved && entries == 1;
    });
    if (outcome == 2)
        GTEST_SKIP() << "no tmpfs of its own can be mounted here";
    EXPECT_EQ(outcome, 0);
}
