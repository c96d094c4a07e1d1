#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

// Tests talk to loopback peers only: no proxy from the environment, and a settings file of the
// process's own.
int main(int argc, char** argv) {
    for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        unsetenv(name);
    std::string settings = (std::filesystem::temp_directory_path() /
                            ("warbler-integration-" + std::to_string(getpid()) + ".ini"))
                               .string();
    setenv("WARBLER_SETTINGS", settings.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::filesystem::remove(settings);
    return result;
}
