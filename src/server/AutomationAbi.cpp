#include "automation/AutomationAbi.h"

#include <strings.h>

#include <cstring>
#include <string>

#include "WarblerObjects.h"
#include "platform/CodePage.h"
#include "server/Module.h"

namespace {

const dispatch::Table& (*const kTables[])() = {&objects::Twitter::Members, &objects::Tweet::Members,
                                               &objects::User::Members};

bool EqualNoCase(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}

const dispatch::Table* FindTable(const char* interfaceName) {
    if (interfaceName == nullptr)
        return nullptr;
    for (auto members : kTables)
        if (std::strcmp(members().interfaceName, interfaceName) == 0)
            return &members();
    return nullptr;
}

const dispatch::Table* TableOf(IDispatch* object) {
    if (object == nullptr)
        return nullptr;
    for (auto members : kTables) {
        IUnknown* found = nullptr;
        if (SUCCEEDED(object->QueryInterface(*members().iid, reinterpret_cast<void**>(&found)))) {
            found->Release();
            return &members();
        }
    }
    return nullptr;
}

}  // namespace

extern "C" {

HRESULT WarblerCreateObject(const OLECHAR* progId, IDispatch** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (progId == nullptr)
        return E_INVALIDARG;
    // A plain NUL-terminated text, not necessarily a BSTR.
    std::string name =
        platform::WideToAnsi(platform::WideView(progId, std::char_traits<OLECHAR>::length(progId)));
    size_t count = 0;
    ObjectMapEntry* map = CWarblerModule::ObjectMap(&count);
    for (size_t i = 0; i < count; ++i) {
        if (!EqualNoCase(name, map[i].progId) && !EqualNoCase(name, map[i].versionedProgId))
            continue;
        IClassFactory* factory = nullptr;
        HRESULT hr = CWarblerModule::GetClassObject(*map[i].clsid, IID_IClassFactory,
                                                    reinterpret_cast<void**>(&factory));
        if (FAILED(hr))
            return hr;
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(object));
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT WarblerInterfaceMembers(const char* interfaceName, const dispatch::Member** members,
                                UINT* count) {
    if (members == nullptr || count == nullptr)
        return E_POINTER;
    const dispatch::Table* table = FindTable(interfaceName);
    if (table == nullptr)
        return E_NOINTERFACE;
    *members = table->members;
    *count = static_cast<UINT>(table->count);
    return S_OK;
}

HRESULT WarblerObjectInterface(IDispatch* object, const char** interfaceName) {
    if (interfaceName == nullptr)
        return E_POINTER;
    const dispatch::Table* table = TableOf(object);
    *interfaceName = table != nullptr ? table->interfaceName : nullptr;
    return table != nullptr ? S_OK : E_NOINTERFACE;
}

}  // extern "C"
