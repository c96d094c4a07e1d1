// IDispatch served from the type library inside this library's own file (resource 1).
#pragma once

#include <string>

#include "platform/Automation.h"

namespace platform {

// The full path of the library file that holds this code.
std::wstring ModulePath();

HRESULT GetInterfaceTypeInfo(REFIID iid, UINT index, ITypeInfo** info);
HRESULT TypeLibraryGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids);
// DispInvoke on the interface, with the by-reference arguments of script callers adapted to the
// declared [out] types, and [out] VARIANTs cleared before they are written.
HRESULT TypeLibraryInvoke(void* object, REFIID iid, DISPID id, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO* exception, UINT* argError);

}  // namespace platform
