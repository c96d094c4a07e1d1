#include "native/Variants.h"

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "native/AutomationObject.h"
#include "native/Library.h"

namespace {

Py_ssize_t Utf16Length(PyObject* text) {
    Py_ssize_t length = PyUnicode_GET_LENGTH(text);
    if (PyUnicode_KIND(text) != PyUnicode_4BYTE_KIND)
        return length;
    const Py_UCS4* chars = PyUnicode_4BYTE_DATA(text);
    Py_ssize_t units = length;
    for (Py_ssize_t i = 0; i < length; ++i) units += chars[i] > 0xFFFF;
    return units;
}

// Lone surrogates pass as they are, as the interface's own conversions expect.
void WriteUtf16(PyObject* text, OLECHAR* out) {
    Py_ssize_t length = PyUnicode_GET_LENGTH(text);
    switch (PyUnicode_KIND(text)) {
        case PyUnicode_1BYTE_KIND: {
            const Py_UCS1* chars = PyUnicode_1BYTE_DATA(text);
            for (Py_ssize_t i = 0; i < length; ++i) out[i] = chars[i];
            break;
        }
        case PyUnicode_2BYTE_KIND:
            std::memcpy(out, PyUnicode_2BYTE_DATA(text), length * sizeof(OLECHAR));
            break;
        default: {
            const Py_UCS4* chars = PyUnicode_4BYTE_DATA(text);
            for (Py_ssize_t i = 0; i < length; ++i) {
                Py_UCS4 c = chars[i];
                if (c > 0xFFFF) {
                    c -= 0x10000;
                    *out++ = static_cast<OLECHAR>(0xD800 + (c >> 10));
                    *out++ = static_cast<OLECHAR>(0xDC00 + (c & 0x3FF));
                } else {
                    *out++ = static_cast<OLECHAR>(c);
                }
            }
        }
    }
}

// text as an ASCII str, narrowed sixteen units at a time, when it is ASCII (replies nearly always
// are); null otherwise, or with an exception set when memory runs out.
PyObject* AsciiText(const OLECHAR* text, Py_ssize_t length) {
    PyObject* result = PyUnicode_New(length, 0x7F);
    if (result == nullptr)
        return nullptr;
    auto* out = reinterpret_cast<char*>(PyUnicode_1BYTE_DATA(result));
    Py_ssize_t i = 0;
#ifdef __SSE2__
    const __m128i beyond = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 16 <= length; i += 16) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 8));
        __m128i outside = _mm_and_si128(_mm_or_si128(low, high), beyond);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(outside, _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < length && text[i] < 0x80; ++i) out[i] = static_cast<char>(text[i]);
    if (i == length)
        return result;
    Py_DECREF(result);
    return nullptr;
}

bool IsPlain(VARTYPE type) {
    switch (type) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_INT:
        case VT_R8:
        case VT_BOOL:
            return true;
        default:
            return false;
    }
}

}  // namespace

ArgumentTexts::~ArgumentTexts() {
    for (Py_ssize_t i = 0; i < spilledCount_; ++i) PyMem_Free(spilled_[i]);
}

BSTR ArgumentTexts::Make(PyObject* text) {
#if PY_VERSION_HEX < 0x030C0000
    if (PyUnicode_READY(text) < 0)
        return nullptr;
#endif
    Py_ssize_t units = Utf16Length(text);
    if (units > static_cast<Py_ssize_t>(UINT32_MAX / 2 - 4)) {
        PyErr_SetString(PyExc_OverflowError, "the text is too long for an automation string");
        return nullptr;
    }
    // The byte length before the text, the text, a terminating NUL; 8-byte steps keep alignment.
    size_t bytes = (sizeof(uint32_t) + (units + 1) * sizeof(OLECHAR) + 7) & ~size_t{7};
    unsigned char* block;
    if (used_ + bytes <= kInline) {
        block = inline_ + used_;
        used_ += bytes;
    } else {
        // Beyond the inline room each text takes a block of its own.
        if (spilledCount_ == kMaxArguments) {
            PyErr_SetString(PyExc_TypeError, "too many text arguments");
            return nullptr;
        }
        block = static_cast<unsigned char*>(PyMem_Malloc(bytes));
        if (block == nullptr) {
            PyErr_NoMemory();
            return nullptr;
        }
        spilled_[spilledCount_++] = block;
    }
    uint32_t byteLength = static_cast<uint32_t>(units * sizeof(OLECHAR));
    std::memcpy(block, &byteLength, sizeof byteLength);
    auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof byteLength);
    WriteUtf16(text, chars);
    chars[units] = 0;
    return chars;
}

bool ToVariant(PyObject* value, VARIANT& variant, ArgumentTexts& texts) {
    if (PyUnicode_Check(value)) {
        variant.bstrVal = texts.Make(value);
        variant.vt = VT_BSTR;
        return variant.bstrVal != nullptr;
    }
    if (PyBool_Check(value)) {
        variant.vt = VT_BOOL;
        variant.boolVal = value == Py_True ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    }
    if (PyLong_Check(value)) {
        int overflow = 0;
        long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
        if (overflow != 0) {
            PyErr_Format(PyExc_OverflowError, "%S does not fit an automation integer", value);
            return false;
        }
        if (number == -1 && PyErr_Occurred())
            return false;
        if (number >= INT32_MIN && number <= INT32_MAX) {
            variant.vt = VT_I4;
            variant.lVal = static_cast<LONG>(number);
        } else {
            variant.vt = VT_I8;
            variant.llVal = number;
        }
        return true;
    }
    if (PyFloat_Check(value)) {
        variant.vt = VT_R8;
        variant.dblVal = PyFloat_AS_DOUBLE(value);
        return true;
    }
    if (value == Py_None) {
        variant.vt = VT_EMPTY;
        return true;
    }
    if (PyObject_TypeCheck(value, &AutomationObjectType)) {
        variant.vt = VT_DISPATCH;
        variant.pdispVal = reinterpret_cast<AutomationObject*>(value)->pointer;
        return true;
    }
    PyObject* typeName =
        PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)), "__name__");
    if (typeName != nullptr) {
        PyErr_Format(PyExc_TypeError, "cannot pass %U to an automation object", typeName);
        Py_DECREF(typeName);
    }
    return false;
}

PyObject* TextFromBstr(const OLECHAR* text) {
    if (text == nullptr)
        return PyUnicode_New(0, 0);
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(text) - sizeof bytes, sizeof bytes);
    Py_ssize_t length = bytes / sizeof(OLECHAR);
    if (PyObject* ascii = AsciiText(text, length))
        return ascii;
    if (PyErr_Occurred())
        return nullptr;
    // The interpreter takes UCS-2 as it lies, narrowing it when it can; only text beyond Latin-1
    // may hold a surrogate, which UCS-2 does not know.
    PyObject* result = PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, text, length);
    if (result == nullptr || PyUnicode_KIND(result) == PyUnicode_1BYTE_KIND)
        return result;
    unsigned surrogates = 0;
    for (Py_ssize_t i = 0; i < length; ++i) surrogates |= (text[i] & 0xF800) == 0xD800;
    if (surrogates == 0)
        return result;
    Py_DECREF(result);
    int order = -1;  // little-endian, as automation strings lie in memory here
    return PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text), bytes & ~1u, "replace",
                                 &order);
}

PyObject* FromVariant(VARIANT& variant) {
    switch (variant.vt) {
        case VT_EMPTY:
        case VT_NULL:
            Py_RETURN_NONE;
        case VT_I4:
        case VT_INT:
            return PyLong_FromLong(variant.lVal);
        case VT_I2:
            return PyLong_FromLong(variant.iVal);
        case VT_I8:
            return PyLong_FromLongLong(variant.llVal);
        case VT_R8:
            return PyFloat_FromDouble(variant.dblVal);
        case VT_BOOL:
            return PyBool_FromLong(variant.boolVal != 0);
        case VT_BSTR:
            return TextFromBstr(variant.bstrVal);
        case VT_DISPATCH:
        case VT_UNKNOWN: {
            IDispatch* object = variant.pdispVal;
            if (object == nullptr)
                Py_RETURN_NONE;
            variant.vt = VT_EMPTY;  // the reference is the wrapper's now
            return WrapObject(object);
        }
        default:
            return PyErr_Format(PyExc_TypeError, "unsupported VARIANT type %d", variant.vt);
    }
}

void ClearVariant(VARIANT& variant) {
    if (!IsPlain(variant.vt))
        gLibrary.variantClear(&variant);
    variant.vt = VT_EMPTY;
}
