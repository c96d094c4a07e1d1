#include "platform/SettingsStore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/ProfileFile.h"

namespace platform {

namespace {

constexpr char kSection[] = "Warbler Suite";

std::string SettingsPath() {
    const char* path = std::getenv("WARBLER_SETTINGS");
    return path != nullptr && *path != 0 ? path : "/etc/velmora/warbler-suite.ini";
}

}  // namespace

bool ReadSettingDword(const char* name, uint32_t& value) {
    char text[32];
    uint32_t n = GetProfileString(kSection, name, "", text, sizeof text, SettingsPath().c_str());
    if (n == 0)
        return false;
    for (uint32_t i = 0; i < n; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    errno = 0;
    unsigned long long parsed = std::strtoull(text, nullptr, 10);
    if (errno != 0 || parsed > 0xFFFFFFFFull)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

void EnsureSettingsKey() {
    std::string path = SettingsPath();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return;
    mkdir(path.substr(0, slash).c_str(), 0755);
}

bool WriteSettingDword(const char* name, uint32_t value) {
    return WriteProfileString(kSection, name, std::to_string(value).c_str(), SettingsPath().c_str(),
                              0644);
}

}  // namespace platform
