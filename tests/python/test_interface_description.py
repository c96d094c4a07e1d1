"""The Linux dispatch tables and identities agree with the interface description that the Windows
build compiles, member by member."""

import os
import re
import unittest

import support  # noqa: F401  (puts the package on the path)
import warbler
from warbler._automation import (KIND_GET, KIND_METHOD, KIND_PUT, PARAM_OPTIONAL, PARAM_OUT, VT_BOOL, VT_BSTR,
                                 VT_I4, VT_VARIANT)

SRC = os.path.join(support.ROOT, "src")
TYPES = {"BSTR": VT_BSTR, "LONG": VT_I4, "VARIANT_BOOL": VT_BOOL, "VARIANT": VT_VARIANT}
MEMBER = re.compile(r"^\s*\[([^\]]*)\]\s*HRESULT\s+(\w+)\((.*)\);\s*$")
PARAM = re.compile(r"^\[([^\]]*)\]\s*(\w+)\s*(\*?)\s*(\w+)$")


def described_interfaces():
    """{interface: {(name, kind): (dispid, [(param name, type, flags, default)])}} from the IDL."""
    with open(os.path.join(SRC, "server", "warbler.idl")) as idl:
        text = idl.read()
    interfaces = {}
    for name, body in re.findall(r"interface (\w+) : IDispatch\s*\{(.*?)\};", text, re.S):
        members = interfaces.setdefault(name, {})
        for line in body.splitlines():
            match = MEMBER.match(line)
            if not match:
                continue
            attributes = [a.strip() for a in match.group(1).split(",")]
            kind = KIND_GET if "propget" in attributes else KIND_PUT if "propput" in attributes else KIND_METHOD
            dispid = int(re.search(r"id\((\d+)\)", match.group(1)).group(1))
            params = []
            for raw in filter(None, (p.strip() for p in re.split(r",\s*(?=\[)", match.group(3)))):
                flags_text, type_name, _, param_name = PARAM.match(raw).groups()
                flags = PARAM_OUT if "out" in flags_text else 1
                default = None
                if "optional" in flags_text:
                    flags |= PARAM_OPTIONAL
                    default = re.search(r"defaultvalue\(([^)]*)\)", flags_text).group(1).strip('"')
                    if type_name == "VARIANT_BOOL":
                        default = {"0": "false", "-1": "true"}[default]
                params.append((param_name, TYPES[type_name], flags, default))
            members[(match.group(2), kind)] = (dispid, params)
    return interfaces


def dispatch_tables(interface):
    """The same shape from the library's exported member table."""
    members = {}
    for m in warbler._lib().members(interface):
        params = []
        for i in range(m.paramCount):
            p = m.params[i]
            default = p.defaultValue.decode() if p.flags & PARAM_OPTIONAL else None
            params.append((p.name.decode(), p.type, p.flags, default))
        name = m.name.decode()
        if m.kinds & KIND_METHOD:
            members[(name, KIND_METHOD)] = (m.id, params)
        if m.kinds & KIND_GET:
            members[(name, KIND_GET)] = (m.id, [("pVal", m.type, PARAM_OUT, None)])
        if m.kinds & KIND_PUT:
            members[(name, KIND_PUT)] = (m.id, [("newVal", m.type, 1, None)])
    return members


class InterfaceDescriptionTest(unittest.TestCase):
    def test_members_agree(self):
        described = described_interfaces()
        self.assertEqual(sorted(described), ["ITweet", "ITwitter", "IUser"])
        for interface, members in described.items():
            tables = dispatch_tables(interface)
            self.assertEqual(sorted(tables), sorted(members), interface)
            for key, (dispid, params) in members.items():
                self.assertEqual(tables[key][0], dispid, (interface, key))
                if key[1] == KIND_METHOD:
                    self.assertEqual(tables[key][1], params, (interface, key))
                else:  # a property's type; its parameter names are the IDL's own
                    self.assertEqual([p[1:] for p in tables[key][1]], [p[1:] for p in params],
                                     (interface, key))

    def test_identities_agree(self):
        with open(os.path.join(SRC, "server", "warbler.idl")) as idl:
            described = re.findall(r"uuid\(([0-9a-f-]{36})\)[^\]]*\]\s*(?:interface|library|coclass)\s+(\w+)",
                                   idl.read())
        with open(os.path.join(SRC, "automation", "Interfaces.h")) as header:
            text = header.read()
        written = {}
        for name, parts in re.findall(r"constexpr (?:CLSID|IID|GUID) (\w+) = \{\s*([^;]*)\};", text):
            numbers = [int(n, 16) for n in re.findall(r"0x([0-9a-fA-F]+)", parts)]
            written[name] = "%08x-%04x-%04x-%02x%02x-%s" % (numbers[0], numbers[1], numbers[2], numbers[3],
                                                           numbers[4], "".join("%02x" % n for n in numbers[5:]))
        prefixes = {"ITwitter": "IID_", "ITweet": "IID_", "IUser": "IID_", "WarblerLib": "LIBID_",
                    "Twitter": "CLSID_", "Tweet": "CLSID_", "User": "CLSID_"}
        self.assertEqual(len(described), 7)
        for guid, name in described:
            self.assertEqual(written[prefixes[name] + name], guid, name)


if __name__ == "__main__":
    unittest.main()
