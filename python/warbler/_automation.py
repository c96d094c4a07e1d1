"""What the package knows of the automation ABI beside the extension: the constants of the member
tables, the failure of a call, and which library to load."""

import os

# The types a member table gives its parameters and properties.
VT_I4, VT_BSTR, VT_BOOL, VT_VARIANT = 3, 8, 11, 12
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


def _library_path():
    """WARBLER_LIBRARY, else the library installed or built with this package."""
    explicit = os.environ.get("WARBLER_LIBRARY")
    if explicit:
        return explicit
    from ._installed import LIBRARY_FROM_PACKAGE
    return os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY_FROM_PACKAGE))
