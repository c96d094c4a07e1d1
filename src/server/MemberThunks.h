// Adapters from the dispatcher's converted arguments to the objects' typed members.
#pragma once

#include "automation/DispatchTable.h"

namespace dispatch {

template <class T, HRESULT (T::*Get)(BSTR*)>
HRESULT TextGetter(void* object, uint16_t, VARIANT*, VARIANT* result) {
    result->vt = VT_BSTR;
    return (static_cast<T*>(object)->*Get)(&result->bstrVal);
}

template <class T, HRESULT (T::*Get)(BSTR*), HRESULT (T::*Put)(BSTR)>
HRESULT TextProperty(void* object, uint16_t kind, VARIANT* args, VARIANT* result) {
    auto* self = static_cast<T*>(object);
    if (kind == kPut)
        return (self->*Put)(args[0].bstrVal);
    result->vt = VT_BSTR;
    return (self->*Get)(&result->bstrVal);
}

}  // namespace dispatch
