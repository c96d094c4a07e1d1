// Late binding without a type library: per interface, a table of its members (names, dispatch
// identifiers, kinds, parameter types, directions and defaults) that serves GetIDsOfNames and
// Invoke. The same tables are exported, so that any late-bound caller knows which members are
// properties and which arguments come back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "automation/Automation.h"

namespace dispatch {

enum Kind : uint16_t { kMethod = 1, kGet = 2, kPut = 4 };
enum Direction : uint16_t { kIn = 1, kOut = 2, kOptional = 16 };

struct Param {
    const char* name;
    VARTYPE type;  // VT_BSTR, VT_I4, VT_BOOL or VT_VARIANT
    uint16_t flags;
    const char* defaultValue;  // for optional parameters: "", "0" or "false"
};

// Called with the arguments converted to the declared types, in declaration order; [out]
// arguments start empty and are filled by the call. A property get fills result.
using Thunk = HRESULT (*)(void* object, uint16_t kind, VARIANT* args, VARIANT* result);

struct Member {
    const char* name;
    DISPID id;
    uint16_t kinds;
    VARTYPE type;  // the property's type; VT_EMPTY for methods
    const Param* params;
    uint16_t paramCount;
    Thunk invoke;
};

struct Table {
    const char* interfaceName;
    const IID* iid;
    const Member* members;
    size_t count;
};

HRESULT GetIDsOfNames(const Table& table, LPOLESTR* names, UINT count, DISPID* ids);
HRESULT Invoke(const Table& table, void* object, DISPID id, WORD flags, DISPPARAMS* params,
               VARIANT* result, UINT* argError);

}  // namespace dispatch
