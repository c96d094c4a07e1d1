#!/usr/bin/env python3
"""The automation interfaces as the interface description (src/server/warbler.idl) gives them, and
what the Python package takes from it at build time: the members' help strings and the typing stub.

usage: interface_description.py IDL PACKAGE_DIR   (writes _help.py and __init__.pyi there)
"""

import importlib.util
import os
import re
import sys
from collections import namedtuple

# The package's own rule for plain names, read from its file: the package itself cannot be
# imported before its extension is built.
_spec = importlib.util.spec_from_file_location(
    "warbler_names", os.path.join(os.path.dirname(os.path.abspath(__file__)), "warbler", "_names.py"))
_names = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_names)

Member = namedtuple("Member", "name kind dispid help params")  # kind: "get", "put" or "method"
Param = namedtuple("Param", "name type direction optional default")  # type: the IDL's, default: text

_MEMBER = re.compile(r"^\s*\[([^\]]*)\]\s*HRESULT\s+(\w+)\((.*)\);\s*$")
_PARAM = re.compile(r"^\[([^\]]*)\]\s*(\w+)\s*(\*?)\s*(\w+)$")


def parse(text):
    """{interface: [Member, ...]} in the order of the description."""
    interfaces = {}
    for name, body in re.findall(r"interface (\w+) : IDispatch\s*\{(.*?)\};", text, re.S):
        members = interfaces.setdefault(name, [])
        for line in body.splitlines():
            match = _MEMBER.match(line)
            if not match:
                continue
            attributes = match.group(1)
            kind = "get" if "propget" in attributes else "put" if "propput" in attributes else "method"
            dispid = int(re.search(r"\bid\((\d+)\)", attributes).group(1))
            help_text = re.search(r'helpstring\("([^"]*)"\)', attributes).group(1)
            params = []
            for raw in filter(None, (p.strip() for p in re.split(r",\s*(?=\[)", match.group(3)))):
                flags, type_name, _, param_name = _PARAM.match(raw).groups()
                default = re.search(r"defaultvalue\(([^)]*)\)", flags)
                params.append(Param(param_name, type_name, "out" if "out" in flags else "in",
                                    "optional" in flags, default.group(1).strip('"') if default else None))
            members.append(Member(match.group(2), kind, dispid, help_text, params))
    return interfaces


_PY_TYPES = {"BSTR": "str", "LONG": "int", "VARIANT_BOOL": "bool"}


def _object_type(member_name):
    """The interface of the object a VARIANT result holds: statuses for the tweet members, users
    for the rest (friends, followers, searches, a status's author)."""
    return "ITweet" if "Tweet" in member_name else "IUser"


def _py_type(param, member_name, optional=True):
    """A VARIANT result is an object, or None where a method's list has ended; a property's
    object (a status's author) is always there."""
    if param.type == "VARIANT":
        return ("Optional[%s]" if optional else "%s") % _object_type(member_name)
    return _PY_TYPES[param.type]


def _py_default(param):
    if param.type == "VARIANT_BOOL":
        return "True" if param.default == "-1" else "False"
    return param.default if param.type == "LONG" else repr(param.default)


_STUB_HEAD = '''# The package's classes as the interface description gives them, for editors and type checkers.
# Made at build time; names match without regard to case at run time, and every parameter may
# also be named by its plain snake_case name (count, since_id, reply_id...).
from typing import Iterator, Literal, Optional, TypeVar, overload

_T = TypeVar("_T", bound="AutomationObject")

class ComError(Exception):
    hresult: int
    def __init__(self, hresult: int, what: str) -> None: ...

class WarblerError(Exception):
    code: int
    description: str
    def __init__(self, code: int, description: str) -> None: ...

class AutomationObject:
    def __copy__(self: _T) -> _T: ...
    def __deepcopy__(self: _T, memo: object) -> _T: ...

'''

_STUB_WALKS = '''    def timeline(self, name: str = "home", since_id: str = "", max_id: str = "", count: int = 0,
                 page: int = 0) -> Iterator[ITweet]: ...
    def friends(self, user: str = "") -> Iterator[IUser]: ...
    def followers(self, user: str = "") -> Iterator[IUser]: ...
    def search(self, query: str, per_page: int = 0, page: int = 0) -> Iterator[IUser]: ...
'''

_STUB_TAIL = '''
@overload
def Dispatch(progid: Literal["Velmora.Twitter", "Velmora.Twitter.1"]) -> ITwitter: ...
@overload
def Dispatch(progid: Literal["Velmora.Twitter.Status", "Velmora.Twitter.Status.1"]) -> ITweet: ...
@overload
def Dispatch(progid: Literal["Velmora.Twitter.User", "Velmora.Twitter.User.1"]) -> IUser: ...
@overload
def Dispatch(progid: str) -> AutomationObject: ...
def can_unload() -> bool: ...
'''


def stub(interfaces):
    lines = [_STUB_HEAD]
    for interface, members in interfaces.items():
        lines.append("class %s(AutomationObject):\n" % interface)
        puts = {m.name for m in members if m.kind == "put"}
        for m in members:
            if m.kind == "get":
                value = _py_type(m.params[0], m.name, optional=False)
                if m.name in puts:
                    lines.append("    %s: %s\n" % (m.name, value))
                else:
                    lines.append("    @property\n    def %s(self) -> %s: ...\n" % (m.name, value))
            elif m.kind == "method":
                inputs = [p for p in m.params if p.direction == "in"]
                outs = [_py_type(p, m.name) for p in m.params if p.direction == "out"]
                result = outs[0] if len(outs) == 1 else "None" if not outs else "tuple[%s]" % ", ".join(outs)
                # By the interface's names, and (an overload) by the plain names the README uses.
                spellings = [[p.name for p in inputs], [_names.plain_names(p.name)[-1] for p in inputs]]
                overload = spellings[0] != spellings[1]
                for names in spellings[:2 if overload else 1]:
                    args = ["self"] + ["%s: %s%s" % (name, _py_type(p, m.name),
                                                     " = " + _py_default(p) if p.optional else "")
                                       for name, p in zip(names, inputs)]
                    lines.append("%s    def %s(%s) -> %s: ...\n" % ("    @overload\n" if overload else "", m.name,
                                                                  ", ".join(args), result))
        if interface == "ITwitter":
            lines.append(_STUB_WALKS)
        lines.append("\n")
    lines.append(_STUB_TAIL)
    return "".join(lines)


def help_module(interfaces):
    lines = ["# The members' help strings of the interface description, made at build time.\n", "HELP = {\n"]
    for interface, members in interfaces.items():
        lines.append("    %r: {\n" % interface)
        seen = set()
        for m in members:
            if m.name not in seen:
                seen.add(m.name)
                lines.append("        %r: %r,\n" % (m.name, m.help))
        lines.append("    },\n")
    lines.append("}\n")
    return "".join(lines)


def main(idl, package_dir):
    with open(idl) as f:
        interfaces = parse(f.read())
    for name, text in (("_help.py", help_module(interfaces)), ("__init__.pyi", stub(interfaces))):
        with open(os.path.join(package_dir, name), "w") as f:
            f.write(text)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
