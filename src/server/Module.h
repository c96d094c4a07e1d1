// The module object: the count of live objects and server locks, and the class table that
// hands out class objects and creates objects by ProgID.
#pragma once

#include <atomic>

#include "platform/Automation.h"
#include "server/DispatchTable.h"

class CWarblerModule {
  public:
    static void Lock() { locks_.fetch_add(1); }
    static void Unlock() { locks_.fetch_sub(1); }
    static long LockCount() { return locks_.load(); }

    static HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
    static HRESULT CreateByProgId(const OLECHAR* progId, IDispatch** object);
    static const dispatch::Table* FindTable(const char* interfaceName);
    static const dispatch::Table* TableOf(IDispatch* object);

  private:
    static std::atomic<long> locks_;
};

extern "C" {
HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT DllCanUnloadNow();
// Creates an object by ProgID ("Velmora.Twitter", "Velmora.Twitter.Status", ...).
HRESULT WarblerCreateObject(const OLECHAR* progId, IDispatch** object);
// The member table of an interface ("ITwitter", "ITweet", "IUser").
HRESULT WarblerInterfaceMembers(const char* interfaceName, const dispatch::Member** members,
                                UINT* count);
// The name of the interface an object of this library implements.
HRESULT WarblerObjectInterface(IDispatch* object, const char** interfaceName);
}
