#include "TestSupport.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "warbler-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    chmod(pattern.c_str(), 0755);  // the integration tests' servers run as "nobody"
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

ScopedSettings::ScopedSettings(const std::string& path) {
    const char* old = std::getenv("WARBLER_SETTINGS");
    previous_ = old != nullptr ? old : "";
    setenv("WARBLER_SETTINGS", path.c_str(), 1);
}

ScopedSettings::~ScopedSettings() {
    setenv("WARBLER_SETTINGS", previous_.c_str(), 1);
}

}  // namespace test
