"""Writes the Windows Installer source (WiX, for wixl) of Warbler: Warblerx64.dll under Program
Files, Warblerx86.dll under Program Files (x86), and the COM registration of each written by the
installer's registry table into its own registry view, as the DLL's own registration writes it
(the Wine suite compares the two), rather than by running the DLLs.

usage: warbler_msi.py VERSION DLL_X64 DLL_X86 OUT.wxs"""

import sys
from xml.sax.saxutils import quoteattr

# Stable identities: the upgrade code ties every version together, so that a newer one replaces
# an older; the components' GUIDs keep their files and keys theirs across versions.
UPGRADE_CODE = "{6B1E3C52-3D0A-4C8E-9A61-2F5B7D40C913}"
COMPONENTS = {"x64": "{0E6E9B1A-54C7-4F0B-8D2F-3A9C5E7B1D64}", "x86": "{8C3D2F71-0B6A-4E95-A1D4-6F2E9B83C057}"}
LIBID = "{2F01AB51-1085-4C69-AF29-36869EF8718B}"
LIBRARY_NAME = "Velmora Warbler Suite 2.0 Type Library"
APPID = "{3968EE95-DCC0-4ED9-867B-FC3B16F8718F}"
CLASSES = [  # CLSID, description, versioned ProgID, ProgID
    ("{DC7D96F0-E332-4D41-BBC5-D93CDB8F3D87}", "Twitter Class", "Velmora.Twitter.1", "Velmora.Twitter"),
    ("{DF374A98-C6BA-4AEA-9A6C-6920625CF1E7}", "Status Class", "Velmora.Twitter.Status.1", "Velmora.Twitter.Status"),
    ("{2B67D5CD-2072-4A61-872B-BBA60B985795}", "User Class", "Velmora.Twitter.User.1", "Velmora.Twitter.User"),
]
INTERFACES = [
    ("{3D12E5BF-95FD-476D-8437-E6216ACAC8C7}", "ITwitter"),
    ("{DE8C0785-CC9E-49B0-A757-EAE4B69B7E04}", "ITweet"),
    ("{252DEA60-71DD-4B66-BA75-4122014C0C78}", "IUser"),
]
AUTOMATION_MARSHALER = "{00020424-0000-0000-C000-000000000046}"


def registration(arch, file_id, folder):
    """(key below Classes, value name or "", value or None for a key of its own) for one DLL."""
    dll = "[#%s]" % file_id
    entries = [("AppID\\" + APPID, "", "Warbler"), ("AppID\\Warbler.DLL", "AppID", APPID)]
    for clsid, description, versioned, independent in CLASSES:
        key = "CLSID\\" + clsid
        entries += [(key, "", description), (key + "\\InprocServer32", "", dll),
                    (key + "\\InprocServer32", "ThreadingModel", "Apartment"), (key + "\\ProgID", "", versioned),
                    (key + "\\Programmable", "", None), (key + "\\TypeLib", "", LIBID),
                    (key + "\\VersionIndependentProgID", "", independent),
                    (versioned, "", description), (versioned + "\\CLSID", "", clsid),
                    (independent, "", description), (independent + "\\CLSID", "", clsid),
                    (independent + "\\CurVer", "", versioned)]
    # The type library's key is one for both registry views: each DLL adds its own entry, and the
    # 64-bit one writes what they share.
    library = "TypeLib\\%s\\1.0" % LIBID
    entries.append((library + "\\409\\" + ("win64" if arch == "x64" else "win32"), "", dll))
    if arch == "x64":
        entries += [(library, "", LIBRARY_NAME), (library + "\\FLAGS", "", "8"),
                    (library + "\\HELPDIR", "", "[%s]" % folder)]
    for iid, name in INTERFACES:
        key = "Interface\\" + iid
        entries += [(key, "", name), (key + "\\ProxyStubClsid", "", AUTOMATION_MARSHALER),
                    (key + "\\ProxyStubClsid32", "", AUTOMATION_MARSHALER), (key + "\\TypeLib", "", LIBID),
                    (key + "\\TypeLib", "Version", "1.0")]
    return entries


def component(arch, dll):
    file_id, folder = "Warbler%s.dll" % arch, "INSTALLDIR_%s" % arch.upper()
    lines = ['<Component Id="Warbler%s" Guid="%s" Win64="%s">' % (arch, COMPONENTS[arch],
                                                                 "yes" if arch == "x64" else "no"),
             '  <File Id="%s" Name="%s" Source=%s KeyPath="yes"/>' % (file_id, file_id, quoteattr(dll))]
    for key, name, value in registration(arch, file_id, folder):
        where = 'Root="HKLM" Key=%s' % quoteattr("SOFTWARE\\Classes\\" + key)
        if value is None:  # the key alone: Windows Installer's "*" creates it, and removes it again
            lines.append('  <RegistryValue %s Name="*" Type="string" Value=""/>' % where)
        else:
            lines.append('  <RegistryValue %s%s Type="string" Value=%s/>' % (
                where, " Name=%s" % quoteattr(name) if name else "", quoteattr(value)))
    lines.append("</Component>")
    return "\n".join("            " + line for line in lines)


def source(version, dll64, dll86):
    return """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Velmora Warbler Suite" Language="1033" Version="%(version)s" Manufacturer="Velmora"
           UpgradeCode="%(upgrade)s">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"
             Description="Warbler: the Twitter REST API v1 for scripts (both bitnesses)"/>
    <MajorUpgrade DowngradeErrorMessage="A newer version of Warbler is already installed."/>
    <Media Id="1" Cabinet="warbler.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR_X64" Name="Warbler">
%(x64)s
        </Directory>
      </Directory>
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR_X86" Name="Warbler">
%(x86)s
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Warbler" Level="1">
      <ComponentRef Id="Warblerx64"/>
      <ComponentRef Id="Warblerx86"/>
    </Feature>
  </Product>
</Wix>
""" % {"version": version, "upgrade": UPGRADE_CODE, "x64": component("x64", dll64), "x86": component("x86", dll86)}


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    with open(sys.argv[4], "w", encoding="utf-8") as out:
        out.write(source(*sys.argv[1:4]))
