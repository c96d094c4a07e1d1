#include "server/Module.h"

#include <new>

#include "WarblerObjects.h"
#include "automation/Interfaces.h"
#include "automation/ModuleLock.h"
#include "platform/CriticalSection.h"
#if defined(_WIN32)
#include "automation/TypeLibraryDispatch.h"
#endif

namespace {

// The object's own initialisation runs in its constructor, before the interface is asked for.
template <class T>
HRESULT Create(IUnknown* outer, REFIID riid, void** ppv) {
    T* object = new (std::nothrow) T;
    if (object == nullptr)
        return E_OUTOFMEMORY;
    if (outer != nullptr)
        object->Aggregate(outer);
    IUnknown* inner = object->InnerUnknown();
    inner->AddRef();
    HRESULT hr = inner->QueryInterface(riid, ppv);
    inner->Release();  // the last release when the query failed
    return hr;
}

ObjectMapEntry g_objectMap[] = {
    {&CLSID_Twitter, "Velmora.Twitter.1", "Velmora.Twitter", "Twitter Class", 102,
     &Create<objects::Twitter>, nullptr},
    {&CLSID_Tweet, "Velmora.Twitter.Status.1", "Velmora.Twitter.Status", "Status Class", 103,
     &Create<objects::Tweet>, nullptr},
    {&CLSID_User, "Velmora.Twitter.User.1", "Velmora.Twitter.User", "User Class", 104,
     &Create<objects::User>, nullptr},
};

platform::CriticalSection& ClassObjectLock() {
    static platform::CriticalSection section;
    return section;
}

}  // namespace

void CWarblerModule::Lock() {
    automation::LockModule();
}

void CWarblerModule::Unlock() {
    automation::UnlockModule();
}

long CWarblerModule::LockCount() {
    return automation::ModuleLocks().load();
}

ObjectMapEntry* CWarblerModule::ObjectMap(size_t* count) {
    *count = sizeof g_objectMap / sizeof g_objectMap[0];
    return g_objectMap;
}

HRESULT CWarblerModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    for (ObjectMapEntry& entry : g_objectMap) {
        if (!(*entry.clsid == clsid))
            continue;
        CClassFactory* factory = entry.factory.load();
        if (factory == nullptr) {
            ClassObjectLock().Enter();
            factory = entry.factory.load();
            if (factory == nullptr) {
                factory = new (std::nothrow) CClassFactory(entry.creator);
                entry.factory.store(factory);
            }
            ClassObjectLock().Leave();
        }
        if (factory == nullptr)
            return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(riid, ppv);
        return SUCCEEDED(hr) && *ppv == nullptr ? CLASS_E_CLASSNOTAVAILABLE : hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void CWarblerModule::Term() {
    for (ObjectMapEntry& entry : g_objectMap) {
        delete entry.factory.exchange(nullptr);
    }
}

extern "C" {

HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return CWarblerModule::GetClassObject(rclsid, riid, ppv);
}

HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
    if (CWarblerModule::LockCount() != 0)
        return S_FALSE;
#if defined(_WIN32)
    // COM may unload the library on this answer: the type information it holds goes first.
    automation::ReleaseTypeInformation();
#endif
    return S_OK;
}

}  // extern "C"
