#include "server/Module.h"

#include <strings.h>

#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "common/ZelString.h"
#include "component/Tweet.h"
#include "component/Twitter.h"
#include "component/User.h"
#include "server/Guids.h"

std::atomic<long> CWarblerModule::locks_{0};

namespace {

using Creator = IDispatch* (*)();

template <class T>
IDispatch* Create() {
    T* object = new (std::nothrow) T;
    return object != nullptr ? static_cast<IDispatch*>(object) : nullptr;
}

// Class objects live as long as the module and count their references atomically.
class CClassFactory : public IClassFactory {
  public:
    explicit CClassFactory(Creator creator) : creator_(creator) {}
    virtual ~CClassFactory() = default;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (!(riid == IID_IUnknown || riid == IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(references_.fetch_add(1) + 1); }
    ULONG Release() override { return static_cast<ULONG>(references_.fetch_sub(1) - 1); }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        // Aggregation is a COM containment feature that no caller of the Linux library has.
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        IDispatch* object = creator_();
        if (object == nullptr)
            return E_OUTOFMEMORY;
        object->AddRef();
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL lock) override {
        if (lock)
            CWarblerModule::Lock();
        else
            CWarblerModule::Unlock();
        return S_OK;
    }

  private:
    Creator creator_;
    std::atomic<long> references_{0};
};

struct ClassEntry {
    const CLSID* clsid;
    const char* progId;
    const char* versionedProgId;
    Creator creator;
    const dispatch::Table& (*members)();
    CClassFactory* factory;
};

ClassEntry g_classes[] = {
    {&CLSID_Twitter, "Velmora.Twitter", "Velmora.Twitter.1", &Create<CTwitter>, &CTwitter::Members,
     nullptr},
    {&CLSID_Tweet, "Velmora.Twitter.Status", "Velmora.Twitter.Status.1", &Create<CTweet>,
     &CTweet::Members, nullptr},
    {&CLSID_User, "Velmora.Twitter.User", "Velmora.Twitter.User.1", &Create<CUser>, &CUser::Members,
     nullptr},
};

std::mutex g_factoryLock;

CClassFactory* FactoryOf(ClassEntry& entry) {
    std::lock_guard<std::mutex> guard(g_factoryLock);
    if (entry.factory == nullptr)
        entry.factory = new (std::nothrow) CClassFactory(entry.creator);
    return entry.factory;
}

bool EqualNoCase(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}

}  // namespace

HRESULT CWarblerModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    for (ClassEntry& entry : g_classes) {
        if (!(*entry.clsid == clsid))
            continue;
        CClassFactory* factory = FactoryOf(entry);
        if (factory == nullptr)
            return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(riid, ppv);
        return SUCCEEDED(hr) && *ppv == nullptr ? CLASS_E_CLASSNOTAVAILABLE : hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CWarblerModule::CreateByProgId(const OLECHAR* progId, IDispatch** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    std::string name = CZelString(progId).Str();
    for (ClassEntry& entry : g_classes) {
        if (!EqualNoCase(name, entry.progId) && !EqualNoCase(name, entry.versionedProgId))
            continue;
        IClassFactory* factory = nullptr;
        HRESULT hr =
            GetClassObject(*entry.clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(hr))
            return hr;
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(object));
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

const dispatch::Table* CWarblerModule::FindTable(const char* interfaceName) {
    if (interfaceName == nullptr)
        return nullptr;
    for (const ClassEntry& entry : g_classes)
        if (std::strcmp(entry.members().interfaceName, interfaceName) == 0)
            return &entry.members();
    return nullptr;
}

const dispatch::Table* CWarblerModule::TableOf(IDispatch* object) {
    if (object == nullptr)
        return nullptr;
    for (const ClassEntry& entry : g_classes) {
        IUnknown* found = nullptr;
        if (SUCCEEDED(
                object->QueryInterface(*entry.members().iid, reinterpret_cast<void**>(&found)))) {
            found->Release();
            return &entry.members();
        }
    }
    return nullptr;
}

extern "C" {

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return CWarblerModule::GetClassObject(rclsid, riid, ppv);
}

HRESULT DllCanUnloadNow() {
    return CWarblerModule::LockCount() == 0 ? S_OK : S_FALSE;
}

HRESULT WarblerCreateObject(const OLECHAR* progId, IDispatch** object) {
    return CWarblerModule::CreateByProgId(progId, object);
}

HRESULT WarblerInterfaceMembers(const char* interfaceName, const dispatch::Member** members,
                                UINT* count) {
    if (members == nullptr || count == nullptr)
        return E_POINTER;
    const dispatch::Table* table = CWarblerModule::FindTable(interfaceName);
    if (table == nullptr)
        return E_NOINTERFACE;
    *members = table->members;
    *count = static_cast<UINT>(table->count);
    return S_OK;
}

HRESULT WarblerObjectInterface(IDispatch* object, const char** interfaceName) {
    if (interfaceName == nullptr)
        return E_POINTER;
    const dispatch::Table* table = CWarblerModule::TableOf(object);
    *interfaceName = table != nullptr ? table->interfaceName : nullptr;
    return table != nullptr ? S_OK : E_NOINTERFACE;
}

}  // extern "C"
