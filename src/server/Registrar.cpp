#include "server/Registrar.h"

#include <string>

#include "automation/Interfaces.h"
#include "automation/TypeLibraryDispatch.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "server/Module.h"

namespace {

std::wstring Wide(const char* text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

// The keys the AppID and CLSID parents hold for this library; the parents themselves stay.
std::wstring AppIdKey() {
    return L"AppID\\" + platform::GuidText(APPID_Warbler);
}
constexpr wchar_t kDllAppIdKey[] = L"AppID\\Warbler.DLL";

std::wstring ClassKey(const ObjectMapEntry& entry) {
    return L"CLSID\\" + platform::GuidText(*entry.clsid);
}

HRESULT RegisterClass(const platform::Registry& registry, const ObjectMapEntry& entry,
                      const std::wstring& modulePath) {
    std::wstring clsid = platform::GuidText(*entry.clsid);
    std::wstring description = Wide(entry.description);
    std::wstring versioned = Wide(entry.versionedProgId);
    std::wstring independent = Wide(entry.progId);
    std::wstring key = ClassKey(entry);
    // The class key is replaced whole, as a forced removal before registration would.
    HRESULT hr = registry.DeleteTree(key);
    struct Value {
        std::wstring key;
        const wchar_t* name;
        std::wstring text;
    };
    const Value values[] = {
        {versioned, L"", description},
        {versioned + L"\\CLSID", L"", clsid},
        {independent, L"", description},
        {independent + L"\\CLSID", L"", clsid},
        {independent + L"\\CurVer", L"", versioned},
        {key, L"", description},
        {key + L"\\ProgID", L"", versioned},
        {key + L"\\VersionIndependentProgID", L"", independent},
        {key + L"\\InprocServer32", L"", modulePath},
        {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {key + L"\\TypeLib", L"", platform::GuidText(LIBID_WarblerLib)},
    };
    for (const Value& value : values)
        if (SUCCEEDED(hr))
            hr = registry.SetText(value.key, value.name, value.text);
    if (SUCCEEDED(hr))
        hr = registry.CreateKey(key + L"\\Programmable");
    return hr;
}

// The class key, which the system keeps apart for 32-bit and 64-bit programs, is force-removed
// whole.
HRESULT UnregisterClass(const platform::Registry& registry, const ObjectMapEntry& entry) {
    return registry.DeleteTree(ClassKey(entry));
}

// The ProgID keys, which both bitnesses share, give back the values they were given, deepest
// first, and go when nothing else is left in them.
HRESULT UnregisterProgIds(const platform::Registry& registry, const ObjectMapEntry& entry) {
    std::wstring versioned = Wide(entry.versionedProgId);
    std::wstring independent = Wide(entry.progId);
    HRESULT first = S_OK;
    for (const std::wstring& key : {versioned + L"\\CLSID", versioned, independent + L"\\CLSID",
                                    independent + L"\\CurVer", independent}) {
        HRESULT hr = registry.RemoveText(key, L"");
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
    }
    return first;
}

}  // namespace

HRESULT CRegistrar::Register() const {
    platform::SystemLocaleScope locale;
    platform::Registry registry(perUser_);
    std::wstring modulePath = automation::ModulePath();
    HRESULT hr = registry.SetText(AppIdKey(), L"", L"Warbler");
    if (SUCCEEDED(hr))
        hr = registry.SetText(kDllAppIdKey, L"AppID", platform::GuidText(APPID_Warbler));
    if (FAILED(hr))
        return hr;
    size_t count = 0;
    ObjectMapEntry* map = CWarblerModule::ObjectMap(&count);
    for (size_t i = 0; i < count; ++i) {
        hr = RegisterClass(registry, map[i], modulePath);
        if (FAILED(hr))
            return hr;
    }
    return registry.RegisterTypeLibrary(modulePath);
}

HRESULT CRegistrar::Unregister() const {
    platform::SystemLocaleScope locale;
    platform::Registry registry(perUser_);
    HRESULT first = S_OK;
    auto keep = [&first](HRESULT hr) {
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
    };
    size_t count = 0;
    ObjectMapEntry* map = CWarblerModule::ObjectMap(&count);
    for (size_t i = 0; i < count; ++i) keep(UnregisterClass(registry, map[i]));
    // This bitness's entry of the type library; one that is not registered is nothing to undo.
    HRESULT typeLibrary = registry.UnregisterTypeLibrary(automation::ModulePath());
    if (typeLibrary != TYPE_E_REGISTRYACCESS && typeLibrary != TYPE_E_CANTLOADLIBRARY)
        keep(typeLibrary);
    // The DLL of the other bitness, installed beside this one, still needs what both share: the
    // ProgIDs and the AppID.
    if (registry.HasKey(ClassKey(map[0]), true))
        return first;
    for (size_t i = 0; i < count; ++i) keep(UnregisterProgIds(registry, map[i]));
    keep(registry.RemoveText(AppIdKey(), L""));
    keep(registry.RemoveText(kDllAppIdKey, L"AppID"));
    return first;
}
