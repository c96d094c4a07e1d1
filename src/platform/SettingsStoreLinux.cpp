#include "platform/SettingsStore.h"

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

// The file is the package's configuration file: the library never creates or rewrites it.
void PublishSettingDword(const char*, uint32_t) {}

}  // namespace platform
