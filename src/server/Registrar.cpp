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

HRESULT UnregisterClass(const platform::Registry& registry, const ObjectMapEntry& entry) {
    HRESULT first = S_OK;
    for (const std::wstring& key :
         {Wide(entry.versionedProgId), Wide(entry.progId), ClassKey(entry)}) {
        HRESULT hr = registry.DeleteTree(key);
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
    HRESULT typeLibrary = registry.UnregisterTypeLibrary(automation::ModulePath());
    // A type library that was never registered is nothing to undo.
    if (typeLibrary != TYPE_E_REGISTRYACCESS && typeLibrary != TYPE_E_CANTLOADLIBRARY)
        keep(typeLibrary);
    keep(registry.DeleteTree(AppIdKey()));
    keep(registry.DeleteTree(kDllAppIdKey));
    return first;
}
