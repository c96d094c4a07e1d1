// Runs with only the loopback interface up (under "unshare -n"): a name that cannot be resolved.
#include <gtest/gtest.h>

#include "http/ZelHttpEx.h"

TEST(Offline, UnresolvableNameIsReported) {
    CZelHttpEx http;
    ASSERT_EQ(http.Initialize(), 0);
    CZelString response;
    EXPECT_EQ(http.Get("http://warbler-test.invalid/", response), 22021);
    http.Shutdown();
}
