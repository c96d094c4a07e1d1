#include "automation/DispatchTable.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "automation/BstrText.h"
#include "automation/TextArguments.h"
#include "automation/UniqueVariant.h"

namespace dispatch {

namespace {

bool SameNameIgnoringCase(const char* ascii, const OLECHAR* wide) {
    for (; *ascii != 0 && *wide != 0; ++ascii, ++wide) {
        char16_t a = static_cast<unsigned char>(*ascii), w = *wide;
        if (a >= 'A' && a <= 'Z')
            a += 32;
        if (w >= 'A' && w <= 'Z')
            w += 32;
        if (a != w)
            return false;
    }
    return *ascii == 0 && *wide == 0;
}

const Member* FindMember(const Table& table, DISPID id) {
    for (size_t i = 0; i < table.count; ++i)
        if (table.members[i].id == id)
            return &table.members[i];
    return nullptr;
}

// The value behind the by-reference levels a caller may pass; a chain that does not end (a
// variant that refers to itself) stops at a level that no conversion accepts.
const VARIANT* Deref(const VARIANT* v) {
    for (int level = 0; level < 8 && v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal != nullptr;
         ++level)
        v = v->pvarVal;
    return v;
}

bool IsMissing(const VARIANT* v) {
    return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
}

HRESULT ToLong(const VARIANT* v, LONG& out) {
    switch (v->vt) {
        case VT_EMPTY:
            out = 0;
            return S_OK;
        case VT_I2:
            out = v->iVal;
            return S_OK;
        case VT_I4:
        case VT_INT:
            out = v->lVal;
            return S_OK;
        case VT_BOOL:
            out = v->boolVal != 0 ? -1 : 0;
            return S_OK;
        case VT_UI4:
            if (static_cast<uint32_t>(v->lVal) > 0x7FFFFFFFu)
                return DISP_E_OVERFLOW;
            out = v->lVal;
            return S_OK;
        case VT_I8:
            if (v->llVal < INT32_MIN || v->llVal > INT32_MAX)
                return DISP_E_OVERFLOW;
            out = static_cast<LONG>(v->llVal);
            return S_OK;
        case VT_R8: {
            double rounded = std::nearbyint(v->dblVal);
            if (!(rounded >= INT32_MIN && rounded <= INT32_MAX))
                return DISP_E_OVERFLOW;
            out = static_cast<LONG>(rounded);
            return S_OK;
        }
        case VT_BSTR: {
            // As VariantChangeType reads a number: blanks around it, a fraction rounded to even.
            std::string text = automation::BstrToAnsi(v->bstrVal);
            size_t first = text.find_first_not_of(" \t");
            size_t last = text.find_last_not_of(" \t");
            if (first == std::string::npos)
                return DISP_E_TYPEMISMATCH;
            text = text.substr(first, last - first + 1);
            char* end = nullptr;
            errno = 0;
            long long value = std::strtoll(text.c_str(), &end, 10);
            if (end != nullptr && *end != 0) {
                double real = std::strtod(text.c_str(), &end);
                if (end == nullptr || *end != 0 || !std::isfinite(real))
                    return DISP_E_TYPEMISMATCH;
                VARIANT number;
                VariantInit(&number);
                number.vt = VT_R8;
                number.dblVal = real;
                return ToLong(&number, out);
            }
            if (errno != 0 || value < INT32_MIN || value > INT32_MAX)
                return DISP_E_OVERFLOW;
            out = static_cast<LONG>(value);
            return S_OK;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT ToBool(const VARIANT* v, VARIANT_BOOL& out) {
    if (v->vt == VT_BSTR) {
        std::string text = automation::BstrToAnsi(v->bstrVal);
        for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (text == "true") {
            out = VARIANT_TRUE;
            return S_OK;
        }
        if (text == "false") {
            out = VARIANT_FALSE;
            return S_OK;
        }
    }
    LONG number = 0;
    HRESULT hr = ToLong(v, number);
    if (hr == DISP_E_OVERFLOW)
        hr = S_OK, number = 1;  // any large number is true
    if (FAILED(hr))
        return hr;
    out = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ToBstr(const VARIANT* v, BSTR& out) {
    std::string text;
    switch (v->vt) {
        case VT_EMPTY:
            break;
        case VT_BSTR:
            out = SysAllocStringLen(v->bstrVal, SysStringLen(v->bstrVal));
            return out != nullptr || v->bstrVal == nullptr ? S_OK : E_OUTOFMEMORY;
        case VT_BOOL:
            text = v->boolVal != 0 ? "True" : "False";
            break;
        case VT_R8: {
            // The shortest text that reads back as the same number, as VariantChangeType writes.
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.15G", v->dblVal);
            if (std::strtod(buffer, nullptr) != v->dblVal)
                std::snprintf(buffer, sizeof buffer, "%.17G", v->dblVal);
            text = buffer;
            break;
        }
        case VT_I8:
            text = std::to_string(v->llVal);
            break;
        case VT_UI4:
            text = std::to_string(static_cast<uint32_t>(v->lVal));
            break;
        default: {
            LONG number = 0;
            HRESULT hr = ToLong(v, number);
            if (FAILED(hr))
                return DISP_E_TYPEMISMATCH;
            text = std::to_string(number);
        }
    }
    out = automation::AnsiToBstr(text);
    return S_OK;
}

// Converts a caller's argument into a variant of the declared type, owned by the dispatcher.
HRESULT Coerce(const VARIANT* source, VARTYPE type, VARIANT& out) {
    VariantInit(&out);
    const VARIANT* v = Deref(source);
    if ((v->vt & VT_BYREF) != 0) {
        if (v->byref == nullptr)
            return DISP_E_TYPEMISMATCH;  // a reference to nothing
        VARIANT plain;
        VariantInit(&plain);
        switch (v->vt & ~VT_BYREF) {
            case VT_BSTR:
                plain.vt = VT_BSTR, plain.bstrVal = *v->pbstrVal;
                break;
            case VT_I4:
                plain.vt = VT_I4, plain.lVal = *v->plVal;
                break;
            case VT_BOOL:
                plain.vt = VT_BOOL, plain.boolVal = *v->pboolVal;
                break;
            default:
                return DISP_E_TYPEMISMATCH;
        }
        return Coerce(&plain, type, out);
    }
    switch (type) {
        case VT_BSTR:
            out.vt = VT_BSTR;
            return ToBstr(v, out.bstrVal);
        case VT_I4:
            out.vt = VT_I4;
            return ToLong(v, out.lVal);
        case VT_BOOL:
            out.vt = VT_BOOL;
            return ToBool(v, out.boolVal);
        case VT_VARIANT:
            return VariantCopy(&out, v);
        default:
            return DISP_E_BADVARTYPE;
    }
}

HRESULT DefaultFor(const Param& param, VARIANT& out) {
    UniqueVariant text;
    VARIANT* held = text.put();
    held->vt = VT_BSTR;
    held->bstrVal = automation::AnsiToBstr(param.defaultValue != nullptr ? param.defaultValue : "");
    return Coerce(held, param.type, out);
}

// Hands an [out] value to the caller's by-reference argument.
HRESULT StoreOut(VARIANT& value, VARIANT* target) {
    if (target->vt == (VT_BYREF | VT_VARIANT) && target->pvarVal != nullptr) {
        VariantClear(target->pvarVal);
        *target->pvarVal = value;
    } else if (target->vt == (VT_BYREF | VT_BSTR) && target->pbstrVal != nullptr &&
               value.vt == VT_BSTR) {
        SysFreeString(*target->pbstrVal);
        *target->pbstrVal = value.bstrVal;
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    VariantInit(&value);
    return S_OK;
}

bool AcceptsOut(const Param& param, const VARIANT* target) {
    if (target->vt == (VT_BYREF | VT_VARIANT))
        return target->pvarVal != nullptr;
    return param.type == VT_BSTR && target->vt == (VT_BYREF | VT_BSTR) &&
           target->pbstrVal != nullptr;
}

// A method's converted arguments, cleared however the call ends (a conversion may throw).
struct Arguments {
    explicit Arguments(size_t count) : values(count) {
        for (VARIANT& v : values) VariantInit(&v);
    }
    ~Arguments() {
        for (VARIANT& v : values) VariantClear(&v);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    std::vector<VARIANT> values;
};

// Where each declared parameter's argument is in rgvarg, or -1 when the caller did not give it:
// positional arguments first, in reverse order at the end of rgvarg; named ones at its start,
// identified by their positions as GetIDsOfNames gives them.
HRESULT PlaceArguments(const Member& member, DISPPARAMS* params, std::vector<int>& slots,
                       UINT* argError) {
    UINT given = params != nullptr ? params->cArgs : 0;
    UINT named = params != nullptr ? params->cNamedArgs : 0;
    if (named > given || (named > 0 && params->rgdispidNamedArgs == nullptr))
        return E_INVALIDARG;
    UINT positional = given - named;
    if (given > member.paramCount)
        return DISP_E_BADPARAMCOUNT;
    slots.assign(member.paramCount, -1);
    for (UINT i = 0; i < positional; ++i) slots[i] = static_cast<int>(given - 1 - i);
    for (UINT n = 0; n < named; ++n) {
        DISPID position = params->rgdispidNamedArgs[n];
        if (position < 0 || position >= member.paramCount || slots[position] != -1) {
            if (argError != nullptr)
                *argError = n;
            return DISP_E_PARAMNOTFOUND;  // unknown, or given twice
        }
        slots[position] = static_cast<int>(n);
    }
    return S_OK;
}

HRESULT CallMethod(const Member& member, void* object, DISPPARAMS* params, VARIANT* result,
                   UINT* argError) {
    std::vector<int> slots;
    HRESULT placed = PlaceArguments(member, params, slots, argError);
    if (FAILED(placed))
        return placed;
    Arguments converted(member.paramCount);
    std::vector<VARIANT>& args = converted.values;
    std::vector<VARIANT*> outTargets(member.paramCount, nullptr);
    int retval = -1;
    for (uint16_t i = 0; i < member.paramCount; ++i) {
        const Param& param = member.params[i];
        bool supplied = slots[i] >= 0;
        const VARIANT* arg = supplied ? &params->rgvarg[slots[i]] : nullptr;
        auto fail = [&](HRESULT hr) {
            if (argError != nullptr && supplied)
                *argError = static_cast<UINT>(slots[i]);
            return hr;
        };
        if ((param.flags & kOut) != 0) {
            if (supplied && !IsMissing(arg)) {
                if (!AcceptsOut(param, arg))
                    return fail(DISP_E_TYPEMISMATCH);
                outTargets[i] = const_cast<VARIANT*>(arg);
            } else if (i == member.paramCount - 1) {
                retval = i;  // an omitted last [out] comes back as the result
            }
            continue;
        }
        HRESULT hr = S_OK;
        if (!supplied || IsMissing(arg)) {
            if ((param.flags & kOptional) == 0)
                return fail(supplied ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT);
            hr = DefaultFor(param, args[i]);
        } else {
            hr = Coerce(arg, param.type, args[i]);
        }
        if (FAILED(hr))
            return fail(hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH);
    }
    HRESULT hr = member.invoke(object, kMethod, args.data(), nullptr);
    for (uint16_t i = 0; i < member.paramCount; ++i) {
        if (outTargets[i] != nullptr) {
            StoreOut(args[i], outTargets[i]);
        } else if (static_cast<int>(i) == retval && result != nullptr) {
            VariantClear(result);
            *result = args[i];
            VariantInit(&args[i]);
        }
    }
    return hr;
}

}  // namespace

HRESULT GetIDsOfNames(const Table& table, LPOLESTR* names, UINT count, DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0)
        return E_INVALIDARG;
    const Member* member = nullptr;
    for (size_t i = 0; i < table.count && member == nullptr; ++i)
        if (names[0] != nullptr && SameNameIgnoringCase(table.members[i].name, names[0]))
            member = &table.members[i];
    HRESULT hr = S_OK;
    ids[0] = member != nullptr ? member->id : DISPID_UNKNOWN;
    if (member == nullptr)
        hr = DISP_E_UNKNOWNNAME;
    // Further names are parameter names; their identifiers are their positions.
    for (UINT n = 1; n < count; ++n) {
        ids[n] = DISPID_UNKNOWN;
        for (uint16_t p = 0; member != nullptr && p < member->paramCount; ++p)
            if (names[n] != nullptr && SameNameIgnoringCase(member->params[p].name, names[n]))
                ids[n] = p;
        if (ids[n] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

namespace {

HRESULT InvokeMember(const Table& table, void* object, DISPID id, WORD flags, DISPPARAMS* params,
                     VARIANT* result, UINT* argError) {
    const Member* member = FindMember(table, id);
    if (member == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    UINT given = params != nullptr ? params->cArgs : 0;
    UINT named = params != nullptr ? params->cNamedArgs : 0;
    if (given > 0 && params->rgvarg == nullptr)
        return E_INVALIDARG;

    if ((flags & DISPATCH_PROPERTYPUT) != 0 && (member->kinds & kPut) != 0) {
        if (named > 1 || (named == 1 && (params->rgdispidNamedArgs == nullptr ||
                                         params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
            return DISP_E_NONAMEDARGS;
        if (given != 1)
            return DISP_E_BADPARAMCOUNT;
        UniqueVariant value;
        VARIANT* held = value.put();
        HRESULT hr = Coerce(&params->rgvarg[0], member->type, *held);
        if (FAILED(hr)) {
            if (argError != nullptr)
                *argError = 0;
            return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
        }
        return member->invoke(object, kPut, held, nullptr);
    }
    if ((flags & DISPATCH_PROPERTYPUT) != 0)
        return DISP_E_MEMBERNOTFOUND;  // read-only or a method
    if ((flags & DISPATCH_PROPERTYGET) != 0 && (member->kinds & kGet) != 0) {
        if (named != 0)
            return DISP_E_NONAMEDARGS;
        if (given != 0)
            return DISP_E_BADPARAMCOUNT;
        UniqueVariant value;
        HRESULT hr = member->invoke(object, kGet, nullptr, value.put());
        if (result != nullptr && SUCCEEDED(hr)) {
            VariantClear(result);
            *result = value.release();
        }
        return hr;
    }
    if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0 && (member->kinds & kMethod) != 0)
        return CallMethod(*member, object, params, result, argError);
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace

HRESULT Invoke(const Table& table, void* object, DISPID id, WORD flags, DISPPARAMS* params,
               VARIANT* result, UINT* argError) {
    // No C++ exception crosses the automation boundary: the host would be aborted.
    if (HRESULT refused = automation::RefuseTextsWithNul(params, argError); FAILED(refused))
        return refused;
    try {
        return InvokeMember(table, object, id, flags, params, result, argError);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace dispatch
