"""Warbler for Python: the Twitter automation objects of libwarbler.so, late-bound.

    import warbler
    twitter = warbler.Dispatch("Velmora.Twitter")
    twitter.LogFile = "/tmp/warbler.log"
    print(twitter.GetErrorDescription(35000))

Properties are attributes; methods are callables whose optional arguments take their defaults;
[out] arguments come back as the call's return value (a tuple when there are several); objects
come back wrapped and a null object comes back as None. Names match without regard to case, as
in OLE Automation. Each object may be used only by the thread that created it.

The library is libwarbler.so from the build tree (build/linux/bin), or the file named by
WARBLER_LIBRARY.
"""

import ctypes
import inspect
import re
import struct
import threading
from ctypes import addressof, byref, c_char_p, c_int32, c_uint16, c_uint32, c_void_p

from ._automation import (DISP_E_OVERFLOW, DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                          DISPID_PROPERTYPUT, DISPPARAMS, GUID, IID_IUNKNOWN, KIND_GET, KIND_METHOD, KIND_PUT,
                          PARAM_OPTIONAL, PARAM_OUT, VARIANT, VT_BOOL, VT_BSTR, VT_BYREF, VT_DISPATCH, VT_EMPTY,
                          VT_I2, VT_I4, VT_I8, VT_INT, VT_NULL, VT_R8, VT_UNKNOWN, VT_VARIANT, ComError, Library,
                          _ADDREF, _INVOKE, _QUERY_INTERFACE, _RELEASE, in_bstr, vtable_entry)

__all__ = ["Dispatch", "ComError", "WarblerError", "can_unload"]

_library = None
_classes = {}
_TYPE_NAMES = {VT_BSTR: "str", VT_I4: "int", VT_BOOL: "bool", VT_VARIANT: "object"}


def _lib():
    global _library
    if _library is None:
        _library = Library()
    return _library


# A VARIANT as the bytes of an argument array: the type, then the value 8 bytes in.
_EMPTY = struct.Struct("<H22x")
_SHORT = struct.Struct("<H6xh14x")
_LONG = struct.Struct("<H6xi12x")
_LONGLONG = struct.Struct("<H6xq8x")
_DOUBLE = struct.Struct("<H6xd8x")
_POINTER = struct.Struct("<H6xQ8x")


def _to_variant(value, array, offset, blocks):
    """value into array at offset as an in-argument; blocks keeps what it points into alive."""
    if isinstance(value, str):
        block, bstr = in_bstr(value)
        blocks.append(block)
        _POINTER.pack_into(array, offset, VT_BSTR, bstr)
    elif isinstance(value, bool):
        _SHORT.pack_into(array, offset, VT_BOOL, -1 if value else 0)
    elif isinstance(value, int):
        if -2**31 <= value < 2**31:
            _LONG.pack_into(array, offset, VT_I4, value)
        elif -2**63 <= value < 2**63:
            _LONGLONG.pack_into(array, offset, VT_I8, value)
        else:
            raise OverflowError("%d does not fit an automation integer" % value)
    elif isinstance(value, float):
        _DOUBLE.pack_into(array, offset, VT_R8, value)
    elif value is None:
        _EMPTY.pack_into(array, offset, VT_EMPTY)
    elif isinstance(value, AutomationObject):
        # The wrapper's own reference covers the call.
        blocks.append(value)
        _POINTER.pack_into(array, offset, VT_DISPATCH, value._pointer)
    else:
        raise TypeError("cannot pass %s to an automation object" % type(value).__name__)


_TYPE = struct.Struct("<H")
_READ = {VT_I4: _LONG, VT_INT: _LONG, VT_I2: _SHORT, VT_I8: _LONGLONG, VT_R8: _DOUBLE, VT_BSTR: _POINTER,
         VT_BOOL: _SHORT, VT_DISPATCH: _POINTER, VT_UNKNOWN: _POINTER}
# Variants of these types own nothing, so clearing them (one foreign call each) can be skipped.
_PLAIN = frozenset((VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_I8, VT_INT, VT_R8, VT_BOOL))


def _clear(buffer, offset):
    """Empties the variant at offset in buffer, freeing what it owns."""
    if _TYPE.unpack_from(buffer, offset)[0] in _PLAIN:
        _EMPTY.pack_into(buffer, offset, VT_EMPTY)
    else:
        _lib().dll.VariantClear(addressof(buffer) + offset)


_REQUIRED = object()
_UNSET = object()
# Shorter plain names beside the derived ones.
_EXTRA_NAMES = {"bstrReplyTweetId": ("reply_id",), "bstrCallBack": ("callback",)}


def _plain_names(name):
    """An argument's plain names: its interface name less the type prefix (bstr, l, b, pv...), in
    snake_case."""
    plain = re.sub(r"^[a-z]+(?=[A-Z])", "", name)
    snake = re.sub(r"(?<=[a-z0-9])(?=[A-Z])", "_", plain).lower()
    return (snake,) + _EXTRA_NAMES.get(name, ())


class WarblerError(Exception):
    """A call that failed, with the component's result code and its description."""

    def __init__(self, code, description):
        super().__init__("%d %s" % (code, description))
        self.code = code
        self.description = description


class _Signature:
    """A member's calling rules, worked out once per class rather than on every call."""

    __slots__ = ("id", "name", "kinds", "type", "inputs", "keys", "index", "defaults", "required", "outs")

    def __init__(self, member):
        params = [member.params[i] for i in range(member.paramCount)]
        inputs = [p for p in params if not p.flags & PARAM_OUT]
        self.id, self.name, self.kinds, self.type = member.id, member.name.decode(), member.kinds, member.type
        self.inputs = [p.name.decode() for p in inputs]
        self.keys = [name.lower() for name in self.inputs]
        # A keyword names an argument by the interface's name (any case) or by its plain name in
        # snake_case: bstrSinceId or since_id, lCount or count.
        self.index = {}
        for i, name in enumerate(self.inputs):
            for key in (name.lower(),) + _plain_names(name):
                self.index.setdefault(key, i)
        self.defaults = [_default(p) if p.flags & PARAM_OPTIONAL else _REQUIRED for p in inputs]
        # How many leading arguments a call must give by position for every required one to be there.
        self.required = max((i + 1 for i, d in enumerate(self.defaults) if d is _REQUIRED), default=0)
        self.outs = [p.name.decode() for p in params if p.flags & PARAM_OUT]


def _from_variant(buffer, offset):
    """The Python value of the variant at offset in buffer, which keeps what it owns."""
    vt = _TYPE.unpack_from(buffer, offset)[0]
    if vt in (VT_EMPTY, VT_NULL):
        return None
    layout = _READ.get(vt)
    if layout is None:
        raise TypeError("unsupported VARIANT type %d" % vt)
    value = layout.unpack_from(buffer, offset)[1]
    if vt == VT_BSTR:
        return _lib().text(value)
    if vt == VT_BOOL:
        return value != 0
    if vt in (VT_DISPATCH, VT_UNKNOWN):
        if not value:
            return None
        vtable_entry(value, 1, _ADDREF)(value)
        return _wrap(value)
    return value


def _wrap(pointer):
    """Wraps an IDispatch pointer whose reference now belongs to the wrapper."""
    name = c_char_p()
    hr = _lib().dll.WarblerObjectInterface(pointer, byref(name))
    if hr != 0:
        vtable_entry(pointer, 2, _RELEASE)(pointer)
        raise ComError(hr, "WarblerObjectInterface")
    return _class_of(name.value.decode())(pointer)


class AutomationObject:
    """An object of libwarbler.so reached through IDispatch."""

    _members = {}
    _interface = ""

    def __init__(self, pointer):
        object.__setattr__(self, "_pointer", pointer)
        # What a call needs, in one attribute: with __getattr__ defined, every attribute read
        # takes the interpreter's slow path.
        object.__setattr__(self, "_call_state",
                           (pointer, threading.get_ident(), vtable_entry(pointer, 6, _INVOKE), {}))

    def __del__(self):
        pointer = getattr(self, "_pointer", None)
        if pointer:
            vtable_entry(pointer, 2, _RELEASE)(pointer)
            object.__setattr__(self, "_pointer", None)

    def __repr__(self):
        return "<warbler %s object>" % self._interface

    # A wrapper holds one reference: a copy takes one of its own, and nothing else can duplicate it.
    def __copy__(self):
        self._check_thread()
        vtable_entry(self._pointer, 1, _ADDREF)(self._pointer)
        return type(self)(self._pointer)

    def __deepcopy__(self, memo):
        return self.__copy__()

    def __reduce_ex__(self, protocol):
        raise TypeError("a warbler %s object cannot be pickled" % self._interface)

    def _identity(self):
        """The object's IUnknown pointer: the same for every wrapper of one object."""
        unknown = c_void_p()
        hr = vtable_entry(self._pointer, 0, _QUERY_INTERFACE)(self._pointer, byref(IID_IUNKNOWN), byref(unknown))
        if hr != 0:
            raise ComError(hr, "QueryInterface")
        vtable_entry(unknown.value, 2, _RELEASE)(unknown.value)
        return unknown.value

    def __eq__(self, other):
        if not isinstance(other, AutomationObject):
            return NotImplemented
        return self._identity() == other._identity()

    def __hash__(self):
        return hash(self._identity())

    def __getattr__(self, name):
        member = self._members.get(name.lower())
        if member is None:
            raise AttributeError("%s has no member %r" % (self._interface, name))
        return getattr(self, member.name)

    def __setattr__(self, name, value):
        member = self._members.get(name.lower())
        if member is None or not member.kinds & KIND_PUT:
            raise AttributeError("%s has no property %r to set" % (self._interface, name))
        _call(self, member, DISPATCH_PROPERTYPUT, (value,))

    def _check_thread(self):
        if threading.get_ident() != self._call_state[1]:
            raise RuntimeError("a Warbler object may only be used by the thread that created it")


_get_ident = threading.get_ident
_SIZE = ctypes.sizeof(VARIANT)
_NO_IID = byref(GUID())
_PUT_ID = (c_int32 * 1)(DISPID_PROPERTYPUT)


def _call(obj, member, flags, args, outs=0):
    """Invokes member of obj with args (in order) and, after them, outs by-reference [out]
    holders; returns the value of each holder, or the call's own result when there are none."""
    pointer, thread, invoke, frames = obj._call_state
    if _get_ident() != thread:
        obj._check_thread()
    key = (member.id, flags)
    frame = frames.get(key)
    if frame is None:
        frame = frames[key] = _Frame(pointer, member.id, flags, len(args) + outs, outs)
    array, holders, result = frame.array, frame.holders, frame.result
    blocks = []
    try:
        offset = _SIZE * frame.count
        for value in args:
            offset -= _SIZE
            _to_variant(value, array, offset, blocks)
        hr = invoke(*frame.arguments)
        if hr < 0:
            if hr & 0xFFFFFFFF == DISP_E_OVERFLOW:
                raise OverflowError("%s.%s: an argument does not fit its parameter's type"
                                    % (obj._interface, member.name))
            raise ComError(hr, "%s.%s" % (obj._interface, member.name))
        if not outs:
            return _from_variant(result, 0)
        return [_from_variant(holders, _SIZE * k) for k in range(outs)]
    finally:
        _clear(result, 0)
        for k in range(outs):
            _clear(holders, _SIZE * k)


def _call_method(obj, member, args, kwargs):
    given = len(args)
    if given > len(member.inputs):
        raise TypeError("%s() takes %d arguments" % (member.name, len(member.inputs)))
    if kwargs:
        values = _bind(member, args, kwargs)
    else:
        if given < member.required:
            missing = next(i for i in range(given, member.required) if member.defaults[i] is _REQUIRED)
            raise TypeError("%s() missing argument %r" % (member.name, member.inputs[missing]))
        values = args + tuple(member.defaults[given:])
    results = _call(obj, member, DISPATCH_METHOD, values, len(member.outs))
    if not results:
        return None
    return results[0] if len(results) == 1 else tuple(results)


def _bind(member, args, kwargs):
    """The arguments of a call that names some of them: by the interface's names without regard
    to case, or by their plain snake_case names."""
    given = len(args)
    values = list(args) + [_UNSET] * (len(member.inputs) - given)
    unexpected = []
    for key, value in kwargs.items():
        index = member.index.get(key.lower())
        if index is None:
            unexpected.append(key)
        elif index < given:
            raise TypeError("%s() got argument %r by position and by keyword" % (member.name, member.inputs[index]))
        elif values[index] is not _UNSET:
            raise TypeError("%s() got argument %r twice" % (member.name, key))
        else:
            values[index] = value
    for i in range(given, len(values)):
        if values[i] is _UNSET:
            if member.defaults[i] is _REQUIRED:
                raise TypeError("%s() missing argument %r" % (member.name, member.inputs[i]))
            values[i] = member.defaults[i]
    if unexpected:
        raise TypeError("%s() got unexpected arguments %s" % (member.name, sorted(unexpected)))
    return values


class _Frame:
    """The ctypes objects that calls of one member on one object reuse: the argument array (the
    [out] holders' references lead it, as DISPPARAMS lists arguments last first), the holders,
    DISPPARAMS, the result and Invoke's own arguments. An object is used by one thread, and a call
    never re-enters one."""

    __slots__ = ("count", "array", "holders", "result", "params", "arguments")

    def __init__(self, pointer, dispid, flags, count, outs):
        self.count = count
        self.array = (VARIANT * count)() if count else None
        self.holders = (VARIANT * outs)() if outs else None
        for k in range(outs):
            _POINTER.pack_into(self.array, _SIZE * (outs - 1 - k), VT_BYREF | VT_VARIANT,
                               addressof(self.holders) + _SIZE * k)
        self.result = VARIANT()
        put = flags == DISPATCH_PROPERTYPUT
        self.params = DISPPARAMS(self.array, _PUT_ID if put else None, count, 1 if put else 0)
        self.arguments = (c_void_p(pointer), c_int32(dispid), _NO_IID, c_uint32(0), c_uint16(flags),
                          byref(self.params), byref(self.result), None, None)


def _default(param):
    text = (param.defaultValue or b"").decode()
    if param.type == VT_BOOL:
        return text == "true"
    if param.type == VT_I4:
        return int(text or "0")
    return text


def _property(member):
    def get(self):
        return _call(self, member, DISPATCH_PROPERTYGET, ())

    def put(self, value):
        _call(self, member, DISPATCH_PROPERTYPUT, (value,))

    kinds = "get/put" if member.kinds & KIND_PUT else "get"
    doc = "%s (%s, %s; DISPID %d)" % (member.name, _TYPE_NAMES.get(member.type, "?"), kinds, member.id)
    return property(get if member.kinds & KIND_GET else None, put if member.kinds & KIND_PUT else None, doc=doc)


def _method(member):
    def call(self, *args, **kwargs):
        return _call_method(self, member, args, kwargs)

    signature = [inspect.Parameter("self", inspect.Parameter.POSITIONAL_OR_KEYWORD)]
    for name, default in zip(member.inputs, member.defaults):
        signature.append(inspect.Parameter(name, inspect.Parameter.POSITIONAL_OR_KEYWORD,
                                           default=inspect.Parameter.empty if default is _REQUIRED else default))
    call.__name__ = member.name
    call.__signature__ = inspect.Signature(signature)
    call.__doc__ = "Method (DISPID %d)%s" % (member.id, "; returns " + ", ".join(member.outs) if member.outs else "")
    return call


class _Walks:
    """Pythonic walks over the Twitter object's lists: generators of Tweet or User objects that end
    where the walk ends (35015, 25016) and raise WarblerError on any other failure."""

    def _walk(self, first, end):
        item = first()
        while item is not None:
            yield item
            item = self.FindNextTweet() if end == 35015 else self.FindNextUser()
        code = self.LastError
        if code not in (0, end):
            raise WarblerError(code, self.GetErrorDescription(code))

    def timeline(self, name="home", since_id="", max_id="", count=0, page=0):
        """The statuses of a timeline ("home", "public", ... or a user), next page on demand."""
        return self._walk(lambda: self.FindFirstTweet(name, since_id, max_id, count, page), 35015)

    def friends(self, user=""):
        """The accounts a user follows (default: the access token's), page after page."""
        return self._walk(lambda: self.FindFirstFriend(user), 25016)

    def followers(self, user=""):
        """The accounts that follow a user (default: the access token's), page after page."""
        return self._walk(lambda: self.FindFirstFollower(user), 25016)

    def search(self, query, per_page=0, page=0):
        """The users a search finds."""
        return self._walk(lambda: self.FindFirstUser(query, per_page, page), 25016)


def _class_of(interface):
    if interface not in _classes:
        members = [_Signature(m) for m in _lib().members(interface)]
        namespace = {"_interface": interface, "_members": {m.name.lower(): m for m in members},
                     "__doc__": "The %s interface of libwarbler.so." % interface}
        for m in members:
            namespace[m.name] = _method(m) if m.kinds & KIND_METHOD else _property(m)
        bases = (AutomationObject, _Walks) if interface == "ITwitter" else (AutomationObject,)
        _classes[interface] = type(interface, bases, namespace)
    return _classes[interface]


def Dispatch(progid):
    """Creates an object by its ProgID: "Velmora.Twitter", "Velmora.Twitter.Status",
    "Velmora.Twitter.User" (or their ".1" forms)."""
    if not isinstance(progid, str):
        raise TypeError("Dispatch() takes a ProgID text, not %s" % type(progid).__name__)
    block, name = in_bstr(progid)  # block holds the text while the call reads it
    pointer = c_void_p()
    hr = _lib().dll.WarblerCreateObject(name, byref(pointer))
    if hr != 0:
        raise ComError(hr, "Dispatch(%r)" % progid)
    return _wrap(pointer.value)


def can_unload():
    """True when no object of the library is alive (DllCanUnloadNow)."""
    return _lib().dll.DllCanUnloadNow() == 0
