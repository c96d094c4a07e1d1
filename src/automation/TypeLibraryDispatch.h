// IDispatch served from the type library inside this library's own file (resource 1).
#pragma once

#include <string>

#include "automation/Automation.h"

namespace automation {

// The full path of the library file that holds this code.
std::wstring ModulePath();

HRESULT GetInterfaceTypeInfo(REFIID iid, UINT index, ITypeInfo** info);
// Lets go of the type information held for the interfaces; the next use loads it again.
void ReleaseTypeInformation();
HRESULT TypeLibraryGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids);
// DispInvoke on the interface; a caller that passes the [out, retval] argument by reference gets
// the value there (a script's variant is cleared before it is written).
HRESULT TypeLibraryInvoke(void* object, REFIID iid, DISPID id, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO* exception, UINT* argError);

}  // namespace automation
