#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

// No unit test may touch the machine-wide settings file: every process gets a file of its own
// unless the caller named one.
int main(int argc, char** argv) {
    std::string settings;
    if (std::getenv("WARBLER_SETTINGS") == nullptr) {
        settings = (std::filesystem::temp_directory_path() /
                    ("warbler-unit-settings-" + std::to_string(getpid()) + ".ini"))
                       .string();
        setenv("WARBLER_SETTINGS", settings.c_str(), 1);
    }
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (!settings.empty())
        std::filesystem::remove(settings);
    return result;
}
