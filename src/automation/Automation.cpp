#include "automation/Automation.h"

#include <cstdlib>
#include <cstring>

namespace {

// A BSTR points behind a 4-byte length prefix that holds the byte length of the text.
uint32_t* PrefixOf(BSTR s) {
    return reinterpret_cast<uint32_t*>(s) - 1;
}

}  // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > (0x7FFFFFFFu - sizeof(uint32_t) - sizeof(OLECHAR)) / sizeof(OLECHAR))
        return nullptr;
    size_t bytes = static_cast<size_t>(ui) * sizeof(OLECHAR);
    auto* block = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    block[0] = static_cast<uint32_t>(bytes);
    BSTR text = reinterpret_cast<BSTR>(block + 1);
    if (strIn != nullptr)
        std::memcpy(text, strIn, bytes);  // without a source the caller fills it, as on Windows
    text[ui] = 0;
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr)
        return nullptr;
    UINT len = 0;
    while (psz[len] != 0) ++len;
    return SysAllocStringLen(psz, len);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr)
        std::free(PrefixOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr) {
    return bstr == nullptr ? 0 : *PrefixOf(bstr);
}

UINT SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}

void VariantInit(VARIANT* pvarg) {
    if (pvarg == nullptr)
        return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->record.pvRecord = nullptr;
    pvarg->record.pRecInfo = nullptr;
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (pvarg == nullptr)
        return E_INVALIDARG;
    switch (pvarg->vt) {
        case VT_BSTR:
            SysFreeString(pvarg->bstrVal);
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (pvarg->punkVal != nullptr)
                pvarg->punkVal->Release();
            break;
        default:
            break;  // scalars and by-reference values own nothing
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc) {
    if (pvargDest == nullptr || pvargSrc == nullptr)
        return E_INVALIDARG;
    if (pvargDest == pvargSrc)
        return S_OK;
    VARIANT copy = *pvargSrc;
    if (copy.vt == VT_BSTR && copy.bstrVal != nullptr) {
        copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
        if (copy.bstrVal == nullptr)
            return E_OUTOFMEMORY;
    } else if ((copy.vt == VT_DISPATCH || copy.vt == VT_UNKNOWN) && copy.punkVal != nullptr) {
        copy.punkVal->AddRef();
    }
    VariantClear(pvargDest);
    *pvargDest = copy;
    return S_OK;
}

}  // extern "C"
