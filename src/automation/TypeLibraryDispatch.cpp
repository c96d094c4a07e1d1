#include "automation/TypeLibraryDispatch.h"

#include <string>
#include <vector>

#include "automation/TextArguments.h"
#include "platform/ComRef.h"
#include "platform/CriticalSection.h"

namespace automation {

namespace {

struct CachedTypeInfo {
    IID iid;
    ITypeInfo* info;
};

// The type information of each interface, loaded on first use and held until the module may be
// unloaded. Every user holds a reference of its own, so that letting the cache go never pulls
// the information from under a call in progress.
platform::CriticalSection& CacheLock() {
    static platform::CriticalSection section;
    return section;
}
std::vector<CachedTypeInfo>& Cache() {
    static std::vector<CachedTypeInfo> cache;
    return cache;
}

// *info is a new reference for the caller.
HRESULT FindTypeInfo(REFIID iid, ITypeInfo** info) {
    *info = nullptr;
    CacheLock().Enter();
    HRESULT hr = S_OK;
    for (const CachedTypeInfo& entry : Cache())
        if (entry.iid == iid)
            *info = entry.info;
    if (*info == nullptr) {
        platform::ComRef<ITypeLib> library;
        hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, library.Out());
        if (SUCCEEDED(hr))
            hr = library->GetTypeInfoOfGuid(iid, info);
        if (SUCCEEDED(hr))
            Cache().push_back({iid, *info});  // the reference the load gave
    }
    if (*info != nullptr)
        (*info)->AddRef();
    CacheLock().Leave();
    return hr;
}

// True when the member returns a value ([out, retval]); inputs is then the number of its other
// parameters. A dual interface's dispatch view describes that value as the function's type.
bool ReturnsValue(ITypeInfo* info, DISPID id, WORD flags, UINT* inputs) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)))
        return false;
    bool found = false;
    for (UINT i = 0; i < attributes->cFuncs && !found; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function)))
            continue;
        if (function->memid == id && (function->invkind & flags) != 0) {
            UINT count = static_cast<UINT>(function->cParams);
            if (function->funckind == FUNC_DISPATCH) {
                VARTYPE type = function->elemdescFunc.tdesc.vt;
                found = type != VT_VOID && type != VT_HRESULT;
                *inputs = count;
            } else if (count > 0) {
                found = (function->lprgelemdescParam[count - 1].paramdesc.wParamFlags &
                         PARAMFLAG_FRETVAL) != 0;
                *inputs = count - 1;
            }
        }
        info->ReleaseFuncDesc(function);
    }
    info->ReleaseTypeAttr(attributes);
    return found;
}

// Hands the result to a caller's by-reference argument: a script's variant, cleared first, or a
// variable of the result's own type.
HRESULT StoreByReference(VARIANT& value, VARIANTARG& target) {
    if (target.vt == (VT_BYREF | VT_VARIANT) && target.pvarVal != nullptr) {
        VariantClear(target.pvarVal);
        *target.pvarVal = value;
    } else if (target.vt == (VT_BYREF | VT_BSTR) && value.vt == VT_BSTR) {
        SysFreeString(*target.pbstrVal);
        *target.pbstrVal = value.bstrVal;
    } else if (target.vt == (VT_BYREF | VT_I4) && value.vt == VT_I4) {
        *target.plVal = value.lVal;
    } else if (target.vt == (VT_BYREF | VT_BOOL) && value.vt == VT_BOOL) {
        *target.pboolVal = value.boolVal;
    } else {
        VariantClear(&value);
        return DISP_E_TYPEMISMATCH;
    }
    VariantInit(&value);
    return S_OK;
}

}  // namespace

std::wstring ModulePath() {
    HMODULE self = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ModulePath), &self);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT GetInterfaceTypeInfo(REFIID iid, UINT index, ITypeInfo** info) {
    if (info == nullptr)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return FindTypeInfo(iid, info);
}

void ReleaseTypeInformation() {
    CacheLock().Enter();
    for (const CachedTypeInfo& entry : Cache()) entry.info->Release();
    Cache().clear();
    CacheLock().Leave();
}

HRESULT TypeLibraryGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) {
    platform::ComRef<ITypeInfo> info;
    HRESULT hr = FindTypeInfo(iid, info.Out());
    return FAILED(hr) ? hr : DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT TypeLibraryInvoke(void* object, REFIID iid, DISPID id, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    if (HRESULT refused = RefuseTextsWithNul(params, argError); FAILED(refused))
        return refused;
    platform::ComRef<ITypeInfo> info;
    HRESULT hr = FindTypeInfo(iid, info.Out());
    if (FAILED(hr))
        return hr;
    // Scripts written for [out] arguments pass the last one by reference (tw.GetErrorDescription
    // 35000, text); the type library declares it [out, retval]. Such a call gets the value in
    // that argument, as a call without it gets it as the function's value.
    UINT inputs = 0;
    if (params == nullptr || params->cArgs == 0 || params->cNamedArgs != 0 ||
        (params->rgvarg[0].vt & VT_BYREF) == 0 || !ReturnsValue(info.Get(), id, flags, &inputs) ||
        params->cArgs != inputs + 1)
        return DispInvoke(object, info.Get(), id, flags, params, result, exception, argError);
    DISPPARAMS shorter = *params;
    shorter.rgvarg = params->rgvarg + 1;  // arguments come in reverse order: the last is first
    shorter.cArgs = params->cArgs - 1;
    VARIANT value;
    VariantInit(&value);
    hr = DispInvoke(object, info.Get(), id, flags, &shorter, &value, exception, argError);
    if (FAILED(hr))
        return hr;
    if (argError != nullptr)
        *argError = 0;
    return StoreByReference(value, params->rgvarg[0]);
}

}  // namespace automation
