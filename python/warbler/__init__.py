"""Warbler for Python: the Twitter automation objects of libwarbler.so, late-bound.

    import warbler
    twitter = warbler.Dispatch("Velmora.Twitter")
    twitter.LogFile = "/tmp/warbler.log"
    print(twitter.GetErrorDescription(35000))

Properties are attributes; methods are callables whose optional arguments take their defaults;
[out] arguments come back as the call's return value (a tuple when there are several); objects
come back wrapped and a null object comes back as None. Names match without regard to case, as
in OLE Automation. Each object may be used only by the thread that created it.

The library is the one built or installed with this package, or the file named by
WARBLER_LIBRARY.
"""

import inspect
import re
import threading

from . import _native
from ._automation import KIND_METHOD, KIND_PUT, PARAM_OPTIONAL, PARAM_OUT, VT_BOOL, VT_BSTR, VT_I4, VT_VARIANT
from ._automation import ComError, _library_path
from ._help import HELP
from ._names import plain_names

__all__ = ["Dispatch", "ComError", "WarblerError", "can_unload"]

AutomationObject = _native.AutomationObject
_TYPE_NAMES = {VT_BSTR: "str", VT_I4: "int", VT_BOOL: "bool", VT_VARIANT: "object"}
_classes = {}
_loading = threading.Lock()
_loaded = False


def _load():
    """Opens the library at first use, so that WARBLER_LIBRARY may be set after the import."""
    global _loaded
    with _loading:
        if not _loaded:
            _native.load(_library_path(), _class_of, ComError)
            _loaded = True


class WarblerError(Exception):
    """A call that failed, with the component's result code and its description, and what the
    Twitter object knows of why: the HTTP status (0 when no reply came), the service's own words
    (the <error> of its reply) and the transport's reason (a call that ended without a reply)."""

    def __init__(self, code, description, http_status=0, service_message="", failure=""):
        text = "%d %s" % (code, description)
        if http_status:
            text += " (HTTP %d%s)" % (http_status, ": " + service_message if service_message else "")
        elif failure:
            text += ": " + failure
        super().__init__(text)
        self.code = code
        self.description = description
        self.http_status = http_status
        self.service_message = service_message
        self.failure = failure


def _default(type_, text):
    if type_ == VT_BOOL:
        return text == "true"
    if type_ == VT_I4:
        return int(text or "0")
    return text or ""


def _method(interface, name, dispid, params):
    """The descriptor of a method, which binds its arguments and calls Invoke."""
    inputs = [p for p in params if not p[2] & PARAM_OUT]
    names = tuple(p[0] for p in inputs)
    # A keyword names an argument by the interface's name (any case) or by its plain name in
    # snake_case: bstrSinceId or since_id, lCount or count.
    index = {}
    for i, param in enumerate(names):
        for key in (param, param.lower()) + plain_names(param):
            index.setdefault(key, i)
    defaults = tuple(_default(p[1], p[3]) if p[2] & PARAM_OPTIONAL else _native.REQUIRED for p in inputs)
    outs = [p[0] for p in params if p[2] & PARAM_OUT]
    method = _native.Method(dispid, name, "%s.%s" % (interface, name), names, index, defaults, len(outs))
    signature = [inspect.Parameter("self", inspect.Parameter.POSITIONAL_OR_KEYWORD)]
    for param, default in zip(names, defaults):
        signature.append(inspect.Parameter(param, inspect.Parameter.POSITIONAL_OR_KEYWORD,
                                           default=inspect.Parameter.empty if default is _native.REQUIRED
                                           else default))
    method.__name__ = method.__qualname__ = name
    method.__signature__ = inspect.Signature(signature)
    aliases = ", ".join(" or ".join(plain_names(param)) for param in names)
    method.__doc__ = "%s\n\nMethod (DISPID %d)%s%s" % (
        HELP[interface][name], dispid, "; returns " + ", ".join(outs) if outs else "",
        "\nBy plain name: " + aliases if aliases else "")
    return method


def _property(interface, name, dispid, kinds, type_):
    prop = _native.Property(dispid, name, "%s.%s" % (interface, name), kinds)
    access = "get/put" if kinds & KIND_PUT else "get"
    prop.__name__ = name
    prop.__doc__ = "%s (%s, %s; DISPID %d)\n%s" % (name, _TYPE_NAMES.get(type_, "?"), access, dispid,
                                                   HELP[interface][name])
    return prop


class _Walks:
    """Pythonic walks over the Twitter object's lists: generators of Tweet or User objects that end
    where the walk ends (35015, 25016) and raise WarblerError on any other failure.

    The component keeps one list of each kind per object, so each generator walks on a Twitter
    object of its own, set as this one is when the walk starts: walks nested in each other, zipped
    together or interleaved with the script's own FindFirst*/FindNext* calls each see their whole
    list."""

    __slots__ = ()

    def _walker(self):
        walker = _native.create("Velmora.Twitter")
        for name in self._settable:
            setattr(walker, name, getattr(self, name))
        return walker

    def _walk(self, first, end):
        walker = self._walker()
        following = walker.FindNextTweet if end == 35015 else walker.FindNextUser
        item = first(walker)
        while item is not None:
            yield item
            item = following()
        code = walker.LastError
        if code not in (0, end):
            raise WarblerError(code, walker.GetErrorDescription(code), *_native.diagnostics(walker))

    def timeline(self, name="home", since_id="", max_id="", count=0, page=0):
        """The statuses of one page of a timeline ("home", "public", ... or a user)."""
        return self._walk(lambda walker: walker.FindFirstTweet(name, since_id, max_id, count, page), 35015)

    def friends(self, user=""):
        """The accounts a user follows (default: the access token's), page after page."""
        return self._walk(lambda walker: walker.FindFirstFriend(user), 25016)

    def followers(self, user=""):
        """The accounts that follow a user (default: the access token's), page after page."""
        return self._walk(lambda walker: walker.FindFirstFollower(user), 25016)

    def search(self, query, per_page=0, page=0):
        """The users a search finds."""
        return self._walk(lambda walker: walker.FindFirstUser(query, per_page, page), 25016)


class _Diagnostics:
    """The Twitter object's account of its last call, beside LastError: read through the
    component's own interface, which no script sees."""

    __slots__ = ()

    @property
    def last_http_status(self):
        """The HTTP status of the last call's reply; 0 when none came."""
        return _native.diagnostics(self)[0]

    @property
    def last_service_message(self):
        """The service's own words about the last call (its reply's <error>), or ""."""
        return _native.diagnostics(self)[1]

    @property
    def last_failure(self):
        """Why the last call got no reply (the transport's words), or ""."""
        return _native.diagnostics(self)[2]


def _class_of(interface):
    """The Python class of an interface, made once from the library's member table."""
    if interface not in _classes:
        namespace = {"__slots__": ("__weakref__",), "__module__": __name__, "_interface": interface,
                     "__doc__": "The %s interface of libwarbler.so." % interface}
        members, settable = {}, []
        for name, dispid, kinds, type_, params in _native.members(interface):
            if kinds & KIND_PUT:
                settable.append(name)
            member = (_method(interface, name, dispid, params) if kinds & KIND_METHOD
                      else _property(interface, name, dispid, kinds, type_))
            namespace[name] = members[name.lower()] = member
        namespace["_members"] = members
        namespace["_settable"] = tuple(settable)
        bases = (AutomationObject, _Walks, _Diagnostics) if interface == "ITwitter" else (AutomationObject,)
        _classes[interface] = type(interface, bases, namespace)
    return _classes[interface]


def Dispatch(progid):
    """Creates an object by its ProgID: "Velmora.Twitter", "Velmora.Twitter.Status",
    "Velmora.Twitter.User" (or their ".1" forms)."""
    _load()
    return _native.create(progid)


def can_unload():
    """True when no object of the library is alive (DllCanUnloadNow)."""
    _load()
    return _native.can_unload()
