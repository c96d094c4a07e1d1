#include "server/ClassFactory.h"

#include "automation/ModuleLock.h"

namespace {

// The explicit server locks: an unlock without its lock changes nothing.
std::atomic<long> g_serverLocks{0};

}  // namespace

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown || riid == IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

// A class object that a client holds keeps the module loaded, as a live object does: an unload
// would leave the client calling into freed code.
ULONG CClassFactory::AddRef() {
    long held = references_.fetch_add(1) + 1;
    if (held == 1)
        automation::LockModule();
    return static_cast<ULONG>(held);
}

ULONG CClassFactory::Release() {
    long held = references_.fetch_sub(1) - 1;
    if (held == 0)
        automation::UnlockModule();
    return static_cast<ULONG>(held);
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    // An aggregate hands out only the inner, non-delegating unknown.
    if (outer != nullptr && !(riid == IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    return creator_(outer, riid, ppv);
}

HRESULT CClassFactory::LockServer(BOOL lock) {
    if (lock) {
        g_serverLocks.fetch_add(1);
        automation::LockModule();
        return S_OK;
    }
    long held = g_serverLocks.load();
    while (held > 0) {
        if (g_serverLocks.compare_exchange_weak(held, held - 1)) {
            automation::UnlockModule();
            break;
        }
    }
    return S_OK;
}
