// The settings in the registry: HKEY_LOCAL_MACHINE\Software\Velmora\Warbler Suite, in the 64-bit
// view, falling back to the default view where that view is refused.
#include <windows.h>

#include "platform/SettingsStore.h"

namespace platform {

namespace {

constexpr char kKey[] = "Software\\Velmora\\Warbler Suite";

// Closes the key it holds.
class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

LONG OpenKey(REGSAM access, RegistryKey& key) {
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, access | KEY_WOW64_64KEY, key.Out());
    if (status == ERROR_ACCESS_DENIED)
        status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, access, key.Out());
    return status;
}

}  // namespace

bool ReadSettingDword(const char* name, uint32_t& value) {
    RegistryKey key;
    if (OpenKey(KEY_READ, key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

namespace {

// Makes sure the settings key exists; failure is ignored, as the original design has it.
void EnsureSettingsKey() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | KEY_WOW64_64KEY, key.Out()) ==
        ERROR_SUCCESS)
        return;
    RegistryKey created;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        nullptr, created.Out(), nullptr) == ERROR_SUCCESS)
        return;
    RegistryKey fallback;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        fallback.Out(), nullptr) != ERROR_SUCCESS) {
        RegistryKey readable;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, readable.Out());
    }
}

}  // namespace

void PublishSettingDword(const char* name, uint32_t value) {
    EnsureSettingsKey();
    RegistryKey key;
    if (OpenKey(KEY_WRITE, key) != ERROR_SUCCESS)
        return;
    DWORD data = value;
    RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                   sizeof data);
}

}  // namespace platform
