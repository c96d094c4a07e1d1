// What self-registration needs of the Windows registry and of OLE Automation's type-library
// registration. The classes root is HKEY_CLASSES_ROOT, or HKEY_CURRENT_USER\Software\Classes for
// an installation for the current user only.
#pragma once

#include <string>

#include "platform/SystemTypes.h"

namespace platform {

class Registry {
  public:
    explicit Registry(bool perUser) : perUser_(perUser) {}

    // Sets a text value (name empty: the key's default value), creating the key as needed.
    HRESULT SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) const;
    // Creates the key without a value.
    HRESULT CreateKey(const std::wstring& key) const;
    // Removes the key with everything below it; a missing key is no failure.
    HRESULT DeleteTree(const std::wstring& key) const;
    // Removes a value (name empty: the default value), and then the key when nothing else is left
    // in it; a missing key or value is no failure.
    HRESULT RemoveText(const std::wstring& key, const wchar_t* name) const;
    // Whether the key exists, in this program's view of the registry or in the other bitness's
    // (where the system keeps keys apart for 32-bit and 64-bit programs).
    bool HasKey(const std::wstring& key, bool otherView = false) const;

    HRESULT RegisterTypeLibrary(const std::wstring& file) const;
    // S_FALSE where this bitness's entry of the library is not registered: nothing to undo.
    HRESULT UnregisterTypeLibrary(const std::wstring& file) const;

  private:
    bool perUser_;
};

// Runs registration under the system default locale and restores the thread's own after it.
class SystemLocaleScope {
  public:
    SystemLocaleScope();
    ~SystemLocaleScope();
    SystemLocaleScope(const SystemLocaleScope&) = delete;
    SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

  private:
    LCID previous_;
};

// The text form of a GUID, in braces.
std::wstring GuidText(REFIID guid);

}  // namespace platform
