// Runs with only the loopback interface up (ctest starts it under "unshare -n"): a name that
// cannot be resolved. Anywhere else the lookup would leave the machine, so the test skips.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "http/ZelHttpEx.h"

namespace {

// The interfaces of this process's network namespace, from /proc/net/dev (two header lines).
bool OnlyLoopback() {
    std::ifstream devices("/proc/net/dev");
    std::string line;
    int lines = 0;
    bool loopback = false;
    while (std::getline(devices, line)) {
        if (++lines <= 2)
            continue;
        std::string name = line.substr(0, line.find(':'));
        name.erase(0, name.find_first_not_of(' '));
        if (name != "lo")
            return false;
        loopback = true;
    }
    return loopback;
}

}  // namespace

TEST(Offline, UnresolvableNameIsReported) {
    if (!OnlyLoopback())
        GTEST_SKIP() << "needs a network namespace with only loopback";
    CZelHttpEx http;
    ASSERT_EQ(http.Initialize(), 0);
    CZelString response;
    EXPECT_EQ(http.Get("http://warbler-test.invalid/", response), 22021);
    http.Shutdown();
}
