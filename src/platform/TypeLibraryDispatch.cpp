#include "platform/TypeLibraryDispatch.h"

#include <string>
#include <vector>

#include "platform/ComRef.h"
#include "platform/CriticalSection.h"

namespace platform {

namespace {

struct CachedTypeInfo {
    IID iid;
    ITypeInfo* info;
};

// The type information of each interface, loaded once and kept while the process lives.
CriticalSection& CacheLock() {
    static CriticalSection section;
    return section;
}
std::vector<CachedTypeInfo>& Cache() {
    static std::vector<CachedTypeInfo> cache;
    return cache;
}

HRESULT FindTypeInfo(REFIID iid, ITypeInfo** info) {
    *info = nullptr;
    CacheLock().Enter();
    HRESULT hr = S_OK;
    for (const CachedTypeInfo& entry : Cache())
        if (entry.iid == iid)
            *info = entry.info;
    if (*info == nullptr) {
        ComRef<ITypeLib> library;
        hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, library.Out());
        if (SUCCEEDED(hr))
            hr = library->GetTypeInfoOfGuid(iid, info);
        if (SUCCEEDED(hr))
            Cache().push_back({iid, *info});
    }
    CacheLock().Leave();
    return hr;
}

// The typed storage that stands in for a script's VT_BYREF|VT_VARIANT argument.
struct OutShim {
    VARIANT* target;  // the caller's variant
    VARTYPE type;     // the declared type behind the pointer
    VARIANT value;    // the typed value the member writes
};

// The declared type behind an [out] pointer parameter, or VT_EMPTY when it is none.
VARTYPE OutType(const ELEMDESC& element) {
    if ((element.paramdesc.wParamFlags & PARAMFLAG_FOUT) == 0 || element.tdesc.vt != VT_PTR ||
        element.tdesc.lptdesc == nullptr)
        return VT_EMPTY;
    return element.tdesc.lptdesc->vt;
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
    HRESULT hr = FindTypeInfo(iid, info);
    if (SUCCEEDED(hr))
        (*info)->AddRef();
    return hr;
}

HRESULT TypeLibraryGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) {
    ITypeInfo* info = nullptr;
    HRESULT hr = FindTypeInfo(iid, &info);
    return FAILED(hr) ? hr : DispGetIDsOfNames(info, names, count, ids);
}

HRESULT TypeLibraryInvoke(void* object, REFIID iid, DISPID id, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    ITypeInfo* info = nullptr;
    HRESULT hr = FindTypeInfo(iid, &info);
    if (FAILED(hr))
        return hr;
    if (params == nullptr || params->cArgs == 0 || params->cNamedArgs != 0)
        return DispInvoke(object, info, id, flags, params, result, exception, argError);

    // Find the member's description to see which arguments are [out] pointers.
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)))
        return DispInvoke(object, info, id, flags, params, result, exception, argError);
    FUNCDESC* function = nullptr;
    for (UINT i = 0; i < attributes->cFuncs && function == nullptr; ++i) {
        FUNCDESC* candidate = nullptr;
        if (FAILED(info->GetFuncDesc(i, &candidate)))
            continue;
        if (candidate->memid == id && (candidate->invkind & flags) != 0)
            function = candidate;
        else
            info->ReleaseFuncDesc(candidate);
    }
    info->ReleaseTypeAttr(attributes);

    std::vector<VARIANTARG> args(params->rgvarg, params->rgvarg + params->cArgs);
    std::vector<OutShim> shims;
    if (function != nullptr) {
        shims.reserve(params->cArgs);
        UINT declared = static_cast<UINT>(function->cParams);
        for (UINT p = 0; p < declared && p < params->cArgs; ++p) {
            VARIANTARG& arg = args[params->cArgs - 1 - p];
            VARTYPE type = OutType(function->lprgelemdescParam[p]);
            if (type == VT_EMPTY || arg.vt != (VT_BYREF | VT_VARIANT) || arg.pvarVal == nullptr)
                continue;
            if (type == VT_VARIANT) {
                VariantClear(arg.pvarVal);  // the caller's old value would leak
                continue;
            }
            if (type != VT_BSTR && type != VT_I4 && type != VT_BOOL)
                continue;
            shims.push_back({arg.pvarVal, type, {}});
            OutShim& shim = shims.back();
            VariantInit(&shim.value);
            arg.vt = static_cast<VARTYPE>(VT_BYREF | type);
            arg.byref = &shim.value.bstrVal;  // the union's storage serves every type here
        }
        info->ReleaseFuncDesc(function);
    }
    DISPPARAMS adapted = *params;
    adapted.rgvarg = args.data();
    hr = DispInvoke(object, info, id, flags, &adapted, result, exception, argError);
    for (OutShim& shim : shims) {
        VariantClear(shim.target);
        if (SUCCEEDED(hr)) {
            shim.value.vt = shim.type;
            *shim.target = shim.value;
        } else if (shim.type == VT_BSTR) {
            SysFreeString(shim.value.bstrVal);
        }
    }
    return hr;
}

}  // namespace platform
