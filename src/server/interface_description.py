#!/usr/bin/env python3
"""The automation interfaces as the interface description (warbler.idl beside this file) gives them,
and what the build makes of it: for the Python package the members' help strings and the typing
stub; for the library the Linux interface header (warbler.h, what widl makes on Windows), and on
both targets the objects' classes, every member behind one exception boundary, with the Linux
member tables.

usage: interface_description.py IDL --python PACKAGE_DIR   (writes _help.py and __init__.pyi)
       interface_description.py IDL --objects OUT_DIR      (writes WarblerObjects.h and .cpp)
       interface_description.py IDL --interfaces OUT_DIR   (writes the Linux warbler.h)
"""

import importlib.util
import os
import re
import sys
from collections import namedtuple

# The package's own rule for plain names, read from its file: the package itself cannot be
# imported before its extension is built.
_spec = importlib.util.spec_from_file_location(
    "warbler_names", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "python", "warbler", "_names.py"))
_names = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_names)

Member = namedtuple("Member", "name kind dispid help params")  # kind: "get", "put" or "method"
Param = namedtuple("Param", "name type direction optional default")  # type: the IDL's, default: text
Interface = namedtuple("Interface", "name base uuid members")  # base: IDispatch or IUnknown
Coclass = namedtuple("Coclass", "name uuid interface")
Description = namedtuple("Description", "interfaces coclasses library")  # library: (name, uuid)

_MEMBER = re.compile(r"^\s*\[([^\]]*)\]\s*HRESULT\s+(\w+)\((.*)\);\s*$")
_PARAM = re.compile(r"^\[([^\]]*)\]\s*(\w+)\s*(\*?)\s*(\w+)$")
_UUID = r"uuid\(([0-9a-f-]{36})\)[^\]]*\]\s*"


def _members(body):
    members = []
    for line in body.splitlines():
        match = _MEMBER.match(line)
        if not match:
            continue
        attributes = match.group(1)
        kind = "get" if "propget" in attributes else "put" if "propput" in attributes else "method"
        dispid = re.search(r"\bid\((\d+)\)", attributes)
        help_text = re.search(r'helpstring\("([^"]*)"\)', attributes)
        params = []
        for raw in filter(None, (p.strip() for p in re.split(r",\s*(?=\[)", match.group(3)))):
            flags, type_name, _, param_name = _PARAM.match(raw).groups()
            default = re.search(r"defaultvalue\(([^)]*)\)", flags)
            params.append(Param(param_name, type_name, "out" if "out" in flags else "in",
                                "optional" in flags, default.group(1).strip('"') if default else None))
        members.append(Member(match.group(2), kind, int(dispid.group(1)) if dispid else None,
                              help_text.group(1) if help_text else "", params))
    return members


def describe(text):
    """Every interface (the automation ones and the component's own), coclass and the library."""
    interfaces = {name: Interface(name, base, uuid, _members(body)) for uuid, name, base, body in
                  re.findall(_UUID + r"interface (\w+) : (\w+)\s*\{(.*?)\};", text, re.S)}
    coclasses = [Coclass(name, uuid, interface) for uuid, name, interface in
                 re.findall(_UUID + r"coclass (\w+)\s*\{\s*\[default\] interface (\w+);", text)]
    library = re.search(_UUID + r"library (\w+)", text)
    return Description(interfaces, coclasses, (library.group(2), library.group(1)))


def parse(text):
    """{interface: [Member, ...]} of the automation interfaces, in the order of the description."""
    return {i.name: i.members for i in describe(text).interfaces.values() if i.base == "IDispatch"}


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
    http_status: int
    service_message: str
    failure: str
    def __init__(self, code: int, description: str, http_status: int = 0, service_message: str = "",
                 failure: str = "") -> None: ...

class AutomationObject:
    def __copy__(self: _T) -> _T: ...
    def __deepcopy__(self: _T, memo: object) -> _T: ...

'''

_STUB_WALKS = '''    @property
    def last_http_status(self) -> int: ...
    @property
    def last_service_message(self) -> str: ...
    @property
    def last_failure(self) -> str: ...
    def timeline(self, name: str = "home", since_id: str = "", max_id: str = "", count: int = 0,
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


# The C++ of an IDL type: its VARTYPE, the VARIANT field that holds it, and how a table's default
# text writes an IDL default.
_CXX = {"BSTR": ("VT_BSTR", "bstrVal"), "LONG": ("VT_I4", "lVal"), "VARIANT_BOOL": ("VT_BOOL", "boolVal"),
        "VARIANT": ("VT_VARIANT", None)}
# Interfaces an object answers for beside its automation interface: never in the type library.
_EXTRA_INTERFACES = {"Twitter": ["ITwitterDiagnostics"]}


def _function(m):
    return {"get": "get_", "put": "put_"}.get(m.kind, "") + m.name


def _declaration(m):
    params = ", ".join("%s%s %s" % (p.type, "*" if p.direction == "out" else "", p.name) for p in m.params)
    return "HRESULT STDMETHODCALLTYPE %s(%s)" % (_function(m), params)


def _guid(text):
    parts = text.split("-")
    tail = parts[3] + parts[4]
    return "{0x%s, 0x%s, 0x%s, {%s}}" % (parts[0], parts[1], parts[2],
                                        ", ".join("0x" + tail[i:i + 2] for i in range(0, 16, 2)))


def linux_header(d):
    """What widl's header gives the Windows build: the interfaces, their identities, IidOf."""
    out = ["// Made at build time from warbler.idl: the interfaces as the Windows build's widl header gives\n"
           "// them. Interfaces are classes of pure virtual functions: the table of function pointers is\n"
           "// laid out in COM order.\n#pragma once\n\n#include \"automation/Automation.h\"\n\n"
           "template <class Interface>\nconst IID& IidOf();\n\n"]
    for i in d.interfaces.values():
        out.append("struct %s : %s {\n" % (i.name, i.base))
        out.extend("    virtual %s = 0;\n" % _declaration(m).replace("STDMETHODCALLTYPE ", "") for m in i.members)
        out.append("\n  protected:\n    ~%s() = default;\n};\n" % i.name)
        out.append("inline constexpr IID IID_%s = %s;\n" % (i.name, _guid(i.uuid)))
        out.append("template <>\ninline const IID& IidOf<%s>() {\n    return IID_%s;\n}\n\n" % (i.name, i.name))
    for c in d.coclasses:
        out.append("inline constexpr CLSID CLSID_%s = %s;\n" % (c.name, _guid(c.uuid)))
    out.append("inline constexpr GUID LIBID_%s = %s;\n" % (d.library[0], _guid(d.library[1])))
    return "".join(out)


def objects_header(d):
    """Each coclass's object: its implementation (C<name>) behind its interfaces, every member
    through the one exception boundary."""
    out = ["// Made at build time from warbler.idl: the objects the scripts hold. Each is its\n"
           "// implementation (C<name>) behind its interfaces; every member runs inside the one\n"
           "// exception boundary.\n#pragma once\n\n#include \"automation/AutomationObject.h\"\n"
           "#include \"automation/Boundary.h\"\n"]
    out.extend("#include \"component/%s.h\"\n" % c.name for c in d.coclasses)
    out.append("\nnamespace objects {\n")
    for c in d.coclasses:
        bases = ", ".join([c.name, c.interface] + _EXTRA_INTERFACES.get(c.name, []))
        out.append("\nclass %s final : public CAutomationObject<%s>, public C%s {\n  public:\n"
                   "#if !defined(_WIN32)\n    static const dispatch::Table& Members();\n#endif\n" % (c.name, bases, c.name))
        for interface in [c.interface] + _EXTRA_INTERFACES.get(c.name, []):
            for m in d.interfaces[interface].members:
                args = ", ".join(p.name for p in m.params)
                out.append("    %s override {\n        return automation::Guard(static_cast<C%s&>(*this), \"%s\", [&] {\n"
                           "            return C%s::%s(%s);\n        });\n    }\n"
                           % (_declaration(m), c.name, m.name, c.name, _function(m), args))
        out.append("};\n")
    out.append("\n}  // namespace objects\n")
    return "".join(out)


def _thunk(coclass, name, members):
    """The table's adapter of one member: the converted arguments into the object's function."""
    body = []
    get = next((m for m in members if m.kind == "get"), None)
    put = next((m for m in members if m.kind == "put"), None)
    if put:
        body.append("    if (kind == kPut)\n        return self->%s(a[0].%s);\n" % (_function(put), _CXX[put.params[0].type][1]))
    if get:
        vt, field = _CXX[get.params[0].type]
        if field is None:
            body.append("    return self->%s(r);\n" % _function(get))
        else:
            body.append("    r->vt = %s;\n    return self->%s(&r->%s);\n" % (vt, _function(get), field))
    for m in members:
        if m.kind != "method":
            continue
        args = []
        for n, p in enumerate(m.params):
            vt, field = _CXX[p.type]
            if p.direction == "in":
                args.append("a[%d].%s" % (n, field))
            elif field is None:
                args.append("&a[%d]" % n)
            else:
                body.append("    a[%d].vt = %s;\n" % (n, vt))
                args.append("&a[%d].%s" % (n, field))
        body.append("    return self->%s(%s);\n" % (_function(m), ", ".join(args)))
    text = "".join(body)
    kind = " kind" if put else ""
    args = " a" if re.search(r"\ba\[", text) else ""
    result = " r" if re.search(r"\br\b", text) else ""
    return ("HRESULT %s_%s(void* o, uint16_t%s, VARIANT*%s, VARIANT*%s) {\n"
            "    auto* self = static_cast<%s*>(o);\n%s}\n\n" % (coclass, name, kind, args, result, coclass, text))


def _default(p):
    if not p.optional:
        return "nullptr"
    if p.type == "VARIANT_BOOL":
        return '"%s"' % {"0": "false", "-1": "true"}[p.default]
    return '"%s"' % p.default


def objects_source(d):
    """The Linux member tables: names, identifiers, kinds, parameters and defaults, each member's
    adapter calling the object (and so the boundary)."""
    out = ["// Made at build time from warbler.idl: the Linux member tables of the objects.\n"
           "#include \"WarblerObjects.h\"\n\nnamespace objects {\nnamespace {\n\nusing namespace dispatch;\n\n"]
    tables = []
    for c in d.coclasses:
        members = d.interfaces[c.interface].members
        names = list(dict.fromkeys(m.name for m in members))
        rows = []
        for name in names:
            group = [m for m in members if m.name == name]
            out.append(_thunk(c.name, name, group))
            kinds = " | ".join({"get": "kGet", "put": "kPut", "method": "kMethod"}[m.kind] for m in group)
            method = next((m for m in group if m.kind == "method"), None)
            params, count, vt = "nullptr", 0, "VT_EMPTY"
            if method and method.params:
                params, count = "k%s_%sParams" % (c.name, name), len(method.params)
                out.append("const Param %s[] = {\n%s};\n\n" % (params, "".join(
                    '    {"%s", %s, %s, %s},\n' % (p.name, _CXX[p.type][0],
                                                  "kOut" if p.direction == "out" else "kIn | kOptional" if p.optional else "kIn",
                                                  _default(p)) for p in method.params)))
            elif not method:
                vt = _CXX[group[0].params[0].type][0]
            rows.append('    {"%s", %d, %s, %s, %s, %d, &%s_%s},\n' % (name, group[0].dispid, kinds, vt, params, count,
                                                                  c.name, name))
        out.append("const Member k%sMembers[] = {\n%s};\n\n" % (c.name, "".join(rows)))
        tables.append(c)
    out.append("}  // namespace\n")
    for c in tables:
        out.append('\nconst dispatch::Table& %s::Members() {\n    static const Table table = {"%s", &IID_%s, k%sMembers,\n'
                   '                                   sizeof k%sMembers / sizeof k%sMembers[0]};\n    return table;\n}\n'
                   % (c.name, c.interface, c.interface, c.name, c.name, c.name))
    out.append("\n}  // namespace objects\n")
    return "".join(out)


def _write(folder, name, text):
    """Written only when changed, so that a build reruns nothing for an unchanged description."""
    path = os.path.join(folder, name)
    if os.path.exists(path):
        with open(path) as f:
            if f.read() == text:
                return
    with open(path, "w") as f:
        f.write(text)


def main(idl, mode, folder):
    with open(idl) as f:
        text = f.read()
    if mode == "--python":
        interfaces = parse(text)
        outputs = (("_help.py", help_module(interfaces)), ("__init__.pyi", stub(interfaces)))
    elif mode == "--objects":
        d = describe(text)
        outputs = (("WarblerObjects.h", objects_header(d)), ("WarblerObjects.cpp", objects_source(d)))
    else:
        outputs = (("warbler.h", linux_header(describe(text))),)
    for name, content in outputs:
        _write(folder, name, content)


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[2] not in ("--python", "--objects", "--interfaces"):
        sys.exit(__doc__)
    main(*sys.argv[1:])
