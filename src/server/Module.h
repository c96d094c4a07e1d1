// The module object: the count of live objects and server locks, and the object map that hands
// out one class object per creatable class.
#pragma once

#include <atomic>
#include <cstddef>

#include "automation/Automation.h"
#include "server/ClassFactory.h"

struct ObjectMapEntry {
    const CLSID* clsid;
    const char* versionedProgId;  // "Velmora.Twitter.1"
    const char* progId;           // "Velmora.Twitter"
    const char* description;      // "Twitter Class"
    int scriptNumber;             // the registration script's resource number
    ObjectCreator creator;
    std::atomic<CClassFactory*> factory;  // created on first request, kept for the module's life
};

class CWarblerModule {
  public:
    static void Lock();
    static void Unlock();
    static long LockCount();

    static HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
    // The entries in registration order: Twitter, Tweet, User.
    static ObjectMapEntry* ObjectMap(size_t* count);
    // Releases the class objects when the library unloads.
    static void Term();
};

extern "C" {
WARBLER_EXPORT HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                           void** ppv);
WARBLER_EXPORT HRESULT STDMETHODCALLTYPE DllCanUnloadNow();
}
