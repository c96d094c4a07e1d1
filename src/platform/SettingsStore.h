// The machine-wide settings of the component ("CacheTimeoutSeconds"). On Linux an INI file,
// /etc/velmora/warbler-suite.ini, section [Warbler Suite]; WARBLER_SETTINGS names another file.
#pragma once

#include <cstdint>

namespace platform {

bool ReadSettingDword(const char* name, uint32_t& value);

// Makes sure the settings container exists; failure is ignored, as for the registry key.
void EnsureSettingsKey();

bool WriteSettingDword(const char* name, uint32_t value);

}  // namespace platform
