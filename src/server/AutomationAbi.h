// The Linux automation ABI beside the COM entry points: objects by ProgID, and the member tables
// that tell a late-bound caller (the Python package) which members are properties and which
// arguments come back.
#pragma once

#include "automation/DispatchTable.h"
#include "server/Module.h"

extern "C" {
// Creates an object by ProgID ("Velmora.Twitter", "Velmora.Twitter.Status", ...), without regard
// to case.
HRESULT WarblerCreateObject(const OLECHAR* progId, IDispatch** object);
// The member table of an interface ("ITwitter", "ITweet", "IUser").
HRESULT WarblerInterfaceMembers(const char* interfaceName, const dispatch::Member** members,
                                UINT* count);
// The name of the interface an object of this library implements.
HRESULT WarblerObjectInterface(IDispatch* object, const char** interfaceName);
}
