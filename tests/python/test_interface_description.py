"""The Linux dispatch tables the build makes agree with the interface description that the Windows
build compiles into its type library, member by member."""

import os
import sys
import unittest

import support  # noqa: F401  (puts the package on the path)
import warbler
from warbler._automation import (KIND_GET, KIND_METHOD, KIND_PUT, PARAM_OPTIONAL, PARAM_OUT, VT_BOOL, VT_BSTR,
                                 VT_I4, VT_VARIANT)

sys.path.insert(0, os.path.join(support.ROOT, "src", "server"))
from interface_description import parse  # noqa: E402

SRC = os.path.join(support.ROOT, "src")
TYPES = {"BSTR": VT_BSTR, "LONG": VT_I4, "VARIANT_BOOL": VT_BOOL, "VARIANT": VT_VARIANT}
KINDS = {"get": KIND_GET, "put": KIND_PUT, "method": KIND_METHOD}


def described_interfaces():
    """{interface: {(name, kind): (dispid, [(param name, type, flags, default)])}} from the IDL."""
    with open(os.path.join(SRC, "server", "warbler.idl")) as idl:
        described = parse(idl.read())
    interfaces = {}
    for name, members in described.items():
        for m in members:
            params = []
            for p in m.params:
                flags = PARAM_OUT if p.direction == "out" else 1
                default = None
                if p.optional:
                    flags |= PARAM_OPTIONAL
                    default = {"0": "false", "-1": "true"}[p.default] if p.type == "VARIANT_BOOL" else p.default
                params.append((p.name, TYPES[p.type], flags, default))
            interfaces.setdefault(name, {})[(m.name, KINDS[m.kind])] = (m.dispid, params)
    return interfaces


def dispatch_tables(interface):
    """The same shape from the library's exported member table."""
    warbler.Dispatch("Velmora.Twitter")  # loads the library
    members = {}
    for name, dispid, kinds, type_, params in warbler._native.members(interface):
        params = [(p_name, p_type, flags, default if flags & PARAM_OPTIONAL else None)
                  for p_name, p_type, flags, default in params]
        if kinds & KIND_METHOD:
            members[(name, KIND_METHOD)] = (dispid, params)
        if kinds & KIND_GET:
            members[(name, KIND_GET)] = (dispid, [("pVal", type_, PARAM_OUT, None)])
        if kinds & KIND_PUT:
            members[(name, KIND_PUT)] = (dispid, [("newVal", type_, 1, None)])
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


if __name__ == "__main__":
    unittest.main()
