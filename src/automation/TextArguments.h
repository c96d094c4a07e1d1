// A NUL inside a text argument would cut the text where it becomes a C string (a post, a path, a
// file name), and the cut text would go out as if whole: such a call is refused before the
// member runs, so that nothing is sent or saved.
#pragma once

#include "automation/Automation.h"

namespace automation {

inline bool HoldsNul(const VARIANT& argument) {
    const VARIANT* value = &argument;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr)
        value = value->pvarVal;
    BSTR text = nullptr;
    if (value->vt == VT_BSTR)
        text = value->bstrVal;
    else if (value->vt == (VT_BYREF | VT_BSTR) && value->pbstrVal != nullptr)
        text = *value->pbstrVal;
    if (text == nullptr)
        return false;
    const UINT length = SysStringLen(text);
    for (UINT i = 0; i < length; ++i)
        if (text[i] == 0)
            return true;
    return false;
}

// E_INVALIDARG, with argError at the first text holding a NUL, or S_OK when none does.
inline HRESULT RefuseTextsWithNul(const DISPPARAMS* params, UINT* argError) {
    if (params == nullptr)
        return S_OK;
    for (UINT i = 0; i < params->cArgs; ++i) {
        if (HoldsNul(params->rgvarg[i])) {
            if (argError != nullptr)
                *argError = i;
            return E_INVALIDARG;
        }
    }
    return S_OK;
}

}  // namespace automation
