#include "platform/Registry.h"

#include <oleauto.h>

#include "platform/ComRef.h"

namespace platform {

namespace {

using TypeLibRegister = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using TypeLibUnregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// The per-user functions exist on newer systems only: taken from oleaut32 when it exports them.
template <class Function>
Function PerUserFunction(const char* name) {
    HMODULE oleaut = GetModuleHandleA("OLEAUT32.DLL");
    return oleaut != nullptr
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(oleaut, name)))
               : nullptr;
}

}  // namespace

HRESULT Registry::SetText(const std::wstring& key, const wchar_t* name,
                          const std::wstring& value) const {
    HKEY root = perUser_ ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    std::wstring path = perUser_ ? L"Software\\Classes\\" + key : key;
    HKEY handle = nullptr;
    LONG status =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    if (name != nullptr)
        status = RegSetValueExW(handle, *name != 0 ? name : nullptr, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return HRESULT_FROM_WIN32(status);
}

HRESULT Registry::CreateKey(const std::wstring& key) const {
    return SetText(key, nullptr, L"");
}

HRESULT Registry::DeleteTree(const std::wstring& key) const {
    HKEY root = perUser_ ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    std::wstring path = perUser_ ? L"Software\\Classes\\" + key : key;
    LONG status = RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_SUCCESS)
        status = RegDeleteKeyW(root, path.c_str());  // RegDeleteTree leaves the key itself
    if (status == ERROR_FILE_NOT_FOUND)
        return S_OK;
    return HRESULT_FROM_WIN32(status);
}

HRESULT Registry::RemoveText(const std::wstring& key, const wchar_t* name) const {
    HKEY root = perUser_ ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    std::wstring path = perUser_ ? L"Software\\Classes\\" + key : key;
    HKEY handle = nullptr;
    LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &handle);
    if (status == ERROR_FILE_NOT_FOUND)
        return S_OK;  // nothing to undo
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    status = RegDeleteValueW(handle, *name != 0 ? name : nullptr);
    DWORD subkeys = 0, values = 0;
    LONG query = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                  &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return HRESULT_FROM_WIN32(status);
    // A key that holds what another program put there stays with it.
    if (query == ERROR_SUCCESS && subkeys == 0 && values == 0) {
        status = RegDeleteKeyW(root, path.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

bool Registry::HasKey(const std::wstring& key, bool otherView) const {
    HKEY root = perUser_ ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    std::wstring path = perUser_ ? L"Software\\Classes\\" + key : key;
    // The other bitness's view: a 32-bit program's keys under the 64-bit one, and the reverse.
    REGSAM view = !otherView ? 0 : sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

HRESULT Registry::RegisterTypeLibrary(const std::wstring& file) const {
    ComRef<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(file.c_str(), REGKIND_NONE, library.Out());
    if (FAILED(hr))
        return hr;
    std::wstring path = file;
    auto forUser = perUser_ ? PerUserFunction<TypeLibRegister>("RegisterTypeLibForUser") : nullptr;
    return forUser != nullptr ? forUser(library.Get(), path.data(), nullptr)
                              : RegisterTypeLib(library.Get(), path.data(), nullptr);
}

HRESULT Registry::UnregisterTypeLibrary(const std::wstring& file) const {
    ComRef<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(file.c_str(), REGKIND_NONE, library.Out());
    if (FAILED(hr))
        return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr))
        return hr;
    TLIBATTR a = *attributes;
    library->ReleaseTLibAttr(attributes);
    // This bitness's entry, under the locale the library was registered with (0x409, not 0).
    wchar_t entry[96] = {};
    swprintf(entry, 96, L"TypeLib\\%ls\\%x.%x\\%x\\%ls", GuidText(a.guid).c_str(), a.wMajorVerNum,
             a.wMinorVerNum, a.lcid, a.syskind == SYS_WIN64 ? L"win64" : L"win32");
    if (!HasKey(entry))
        return S_FALSE;
    auto forUser =
        perUser_ ? PerUserFunction<TypeLibUnregister>("UnRegisterTypeLibForUser") : nullptr;
    return forUser != nullptr
               ? forUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind)
               : UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
}

SystemLocaleScope::SystemLocaleScope() : previous_(GetThreadLocale()) {
    SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
}

SystemLocaleScope::~SystemLocaleScope() {
    SetThreadLocale(previous_);
}

std::wstring GuidText(REFIID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

}  // namespace platform
