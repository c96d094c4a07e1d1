// The Linux automation ABI beside the COM entry points: objects by ProgID, and the member tables
// that tell a late-bound caller (the Python package) which members are properties and which
// arguments come back.
#pragma once

#include "automation/DispatchTable.h"

extern "C" {
// Creates an object by ProgID ("Velmora.Twitter", "Velmora.Twitter.Status", ...), without regard
// to case.
WARBLER_EXPORT HRESULT WarblerCreateObject(const OLECHAR* progId, IDispatch** object);
// The member table of an interface ("ITwitter", "ITweet", "IUser").
WARBLER_EXPORT HRESULT WarblerInterfaceMembers(const char* interfaceName,
                                               const dispatch::Member** members, UINT* count);
// The name of the interface an object of this library implements.
WARBLER_EXPORT HRESULT WarblerObjectInterface(IDispatch* object, const char** interfaceName);
}
