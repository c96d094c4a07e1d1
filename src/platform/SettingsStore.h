// The machine-wide settings of the component ("CacheTimeoutSeconds"). On Windows the registry;
// on Linux an INI file, /etc/velmora/warbler-suite.ini, section [Warbler Suite], which the
// package installs as a configuration file (WARBLER_SETTINGS names another file).
#pragma once

#include <cstdint>

namespace platform {

bool ReadSettingDword(const char* name, uint32_t& value);

// Leaves the value in force where administrators look: written back into the registry on Windows
// (its key created as needed, failures ignored); on Linux nothing is written, as Debian wants of
// a package's configuration file.
void PublishSettingDword(const char* name, uint32_t value);

}  // namespace platform
