"""The automation ABI of libwarbler.so, in ctypes: BSTR, VARIANT, DISPPARAMS and the IDispatch
table, as the library lays them out (the Win64 layout)."""

import codecs
import ctypes
import os
from ctypes import POINTER, Structure, Union, byref, c_char_p, c_double, c_int16, c_int32, c_int64
from ctypes import c_uint16, c_uint32, c_void_p

VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R8, VT_BSTR, VT_DISPATCH = 0, 1, 2, 3, 5, 8, 9
VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_I8, VT_INT, VT_BYREF = 10, 11, 12, 13, 20, 22, 0x4000
DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT = 1, 2, 4
DISPID_PROPERTYPUT = -3
KIND_METHOD, KIND_GET, KIND_PUT = 1, 2, 4
PARAM_OUT, PARAM_OPTIONAL = 2, 16
DISP_E_OVERFLOW = 0x8002000A

HRESULT_NAMES = {
    0x80004001: "E_NOTIMPL", 0x80004002: "E_NOINTERFACE", 0x80004003: "E_POINTER",
    0x8000FFFF: "E_UNEXPECTED", 0x8007000E: "E_OUTOFMEMORY", 0x80070057: "E_INVALIDARG",
    0x80040110: "CLASS_E_NOAGGREGATION", 0x80040111: "CLASS_E_CLASSNOTAVAILABLE",
    0x80020003: "DISP_E_MEMBERNOTFOUND", 0x80020005: "DISP_E_TYPEMISMATCH",
    0x80020004: "DISP_E_PARAMNOTFOUND", 0x80020006: "DISP_E_UNKNOWNNAME", 0x80020007: "DISP_E_NONAMEDARGS",
    DISP_E_OVERFLOW: "DISP_E_OVERFLOW",
    0x8002000E: "DISP_E_BADPARAMCOUNT", 0x8002000F: "DISP_E_PARAMNOTOPTIONAL",
    0x8001010E: "RPC_E_WRONG_THREAD",
}


class ComError(Exception):
    """A failed COM call: hresult is the result code as an unsigned 32-bit number."""

    def __init__(self, hresult, what):
        self.hresult = hresult & 0xFFFFFFFF
        name = HRESULT_NAMES.get(self.hresult, "HRESULT")
        super().__init__("%s failed: %s (0x%08X)" % (what, name, self.hresult))


class _Value(Union):
    _fields_ = [("lVal", c_int32), ("llVal", c_int64), ("dblVal", c_double), ("iVal", c_int16),
                ("boolVal", c_int16), ("ptr", c_void_p), ("record", c_void_p * 2)]


class VARIANT(Structure):
    _fields_ = [("vt", c_uint16), ("r1", c_uint16), ("r2", c_uint16), ("r3", c_uint16), ("value", _Value)]


assert ctypes.sizeof(VARIANT) == 24


class DISPPARAMS(Structure):
    _fields_ = [("rgvarg", POINTER(VARIANT)), ("rgdispidNamedArgs", POINTER(c_int32)),
                ("cArgs", c_uint32), ("cNamedArgs", c_uint32)]


class GUID(Structure):
    _fields_ = [("Data1", c_uint32), ("Data2", c_uint16), ("Data3", c_uint16), ("Data4", ctypes.c_ubyte * 8)]


IID_IUNKNOWN = GUID(0, 0, 0, (ctypes.c_ubyte * 8)(0xC0, 0, 0, 0, 0, 0, 0, 0x46))


class PARAM(Structure):
    _fields_ = [("name", c_char_p), ("type", c_uint16), ("flags", c_uint16), ("defaultValue", c_char_p)]


class MEMBER(Structure):
    _fields_ = [("name", c_char_p), ("id", c_int32), ("kinds", c_uint16), ("type", c_uint16),
                ("params", POINTER(PARAM)), ("paramCount", c_uint16), ("invoke", c_void_p)]


_QUERY_INTERFACE = ctypes.CFUNCTYPE(c_int32, c_void_p, POINTER(GUID), POINTER(c_void_p))
_RELEASE = ctypes.CFUNCTYPE(c_uint32, c_void_p)
_ADDREF = ctypes.CFUNCTYPE(c_uint32, c_void_p)
# IDispatch::Invoke(this, dispid, riid, lcid, flags, params, result, excepinfo, argerr), declared
# without argument types: each call passes ctypes objects of exactly those types, made once, which
# ctypes hands over as they are instead of converting Python values on every call.
_INVOKE = ctypes.CFUNCTYPE(c_int32)


def _library_path():
    """WARBLER_LIBRARY, else the library installed with this package, else the build tree's."""
    explicit = os.environ.get("WARBLER_LIBRARY")
    if explicit:
        return explicit
    here = os.path.dirname(os.path.abspath(__file__))
    try:
        from ._installed import LIBRARY_FROM_PACKAGE
        return os.path.normpath(os.path.join(here, LIBRARY_FROM_PACKAGE))
    except ImportError:
        pass
    built = os.path.join(here, "..", "..", "build", "linux", "bin", "libwarbler.so")
    return built if os.path.exists(built) else "libwarbler.so"


_UCS2_KIND = 2
_from_ucs2 = ctypes.pythonapi.PyUnicode_FromKindAndData
_from_ucs2.restype, _from_ucs2.argtypes = ctypes.py_object, [ctypes.c_int, c_void_p, ctypes.c_ssize_t]


class Library:
    """libwarbler.so with the signatures of the functions this package calls."""

    def __init__(self):
        self.dll = ctypes.CDLL(_library_path())
        d = self.dll
        d.VariantClear.restype, d.VariantClear.argtypes = c_int32, [c_void_p]
        d.WarblerCreateObject.restype, d.WarblerCreateObject.argtypes = c_int32, [c_void_p, POINTER(c_void_p)]
        d.WarblerInterfaceMembers.restype = c_int32
        d.WarblerInterfaceMembers.argtypes = [c_char_p, POINTER(POINTER(MEMBER)), POINTER(c_uint32)]
        d.WarblerObjectInterface.restype, d.WarblerObjectInterface.argtypes = c_int32, [c_void_p, POINTER(c_char_p)]
        d.DllCanUnloadNow.restype, d.DllCanUnloadNow.argtypes = c_int32, []
        d.WarblerHasSurrogates.restype, d.WarblerHasSurrogates.argtypes = c_int32, [c_void_p, c_uint32]

    def text(self, bstr):
        if not bstr:
            return ""
        length = c_uint32.from_address(bstr - 4).value // 2  # a BSTR's length prefix, in bytes
        # Text without surrogates is UCS-2, which the interpreter takes as it lies (and narrows
        # when it can) far faster than its UTF-16 decoder reads it. ASCII, the usual reply, has
        # none by its nature.
        text = _from_ucs2(_UCS2_KIND, bstr, length)
        if text.isascii() or not self.dll.WarblerHasSurrogates(bstr, length):
            return text
        units = (ctypes.c_char * (length * 2)).from_address(bstr)
        return codecs.utf_16_le_decode(units, "replace")[0]

    def members(self, interface):
        table = POINTER(MEMBER)()
        count = c_uint32()
        hr = self.dll.WarblerInterfaceMembers(interface.encode(), byref(table), byref(count))
        if hr != 0:
            raise ComError(hr, "WarblerInterfaceMembers(%s)" % interface)
        return [table[i] for i in range(count.value)]


# Where a bytes object's bytes lie from the object's address, in this interpreter (CPython).
_PROBE = b"probe"
_BYTES_DATA = ctypes.cast(_PROBE, c_void_p).value - id(_PROBE)


# The codec itself: looking it up by name costs more than encoding a short text.
_utf_16_le_encode = codecs.utf_16_le_encode


def in_bstr(text):
    """text as a BSTR in Python's memory, for an argument the callee only reads (automation
    copies what it keeps): (the block that must stay alive during the call, the BSTR)."""
    units = _utf_16_le_encode(text, "surrogatepass")[0]
    block = b"".join((len(units).to_bytes(4, "little"), units, b"\0\0"))
    return block, id(block) + _BYTES_DATA + 4


def vtable_entry(pointer, index, prototype):
    table = ctypes.cast(pointer, POINTER(POINTER(c_void_p)))[0]
    return prototype(table[index])
