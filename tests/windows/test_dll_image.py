"""What can be known of the Windows DLLs without running them, as mingw's binutils read them: the
image kind, the five entry points exported by plain name, imports of system DLLs only, no debug
sections or symbols, and the identity texts naming the architecture. This is all a machine whose
kernel runs no 32-bit programs can prove of the 32-bit DLL. Also the probe that decides whether a
machine does."""

import os
import re
import stat
import struct
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ENTRY_POINTS = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer",
                "DllInstall"}
# What every Windows has: the DLL is linked statically against its C and C++ runtimes.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
               "shlwapi.dll", "ws2_32.dll", "shell32.dll", "crypt32.dll", "bcrypt.dll", "rpcrt4.dll"}
KINDS = {"x86": "pei-i386", "x64": "pei-x86-64"}
OBJDUMP = "x86_64-w64-mingw32-objdump"  # mingw's binutils read both kinds


def problems(path, arch):
    """What keeps the DLL at path from being the arch ("x86" or "x64") DLL users install."""
    said = subprocess.run([OBJDUMP, "-f", "-h", "-p", path], capture_output=True, text=True, check=True).stdout
    found = []
    kind = re.search(r"file format (\S+)", said).group(1)
    if kind != KINDS[arch]:
        found.append("%s: not a %s image" % (kind, arch))
    exports = set(re.findall(r"(?m)^\t\[ *\d+\] (\w+)$", said.partition("[Ordinal/Name Pointer] Table")[2]))
    if exports != ENTRY_POINTS:
        found.append("exports %s" % sorted(exports))
    foreign = {name.lower() for name in re.findall(r"DLL Name: (\S+)", said)} - SYSTEM_DLLS
    if foreign:
        found.append("imports beyond the system's: %s" % sorted(foreign))
    if re.search(r"HAS_SYMS|HAS_DEBUG| \.debug", said):
        found.append("debug sections or a symbol table")
    with tempfile.TemporaryDirectory() as folder:
        section = os.path.join(folder, "rsrc")
        subprocess.run([OBJDUMP.replace("objdump", "objcopy"), "-O", "binary", "--only-section=.rsrc", path,
                        section], check=True)
        with open(section, "rb") as f:
            resources = f.read()
    for identity in ("2.0-beta (%s)" % arch, "Warbler%s.dll" % arch):
        if identity.encode("utf-16-le") not in resources:
            found.append("no identity text %r in the resources" % identity)
    return found


class DllImageTest(unittest.TestCase):
    def dll(self, arch):
        folder = os.environ.get("WARBLER_DLL_DIR_X86" if arch == "x86" else "WARBLER_DLL_DIR", "")
        path = os.path.join(folder, "Warbler%s.dll" % arch)
        if not os.path.isfile(path):
            self.fail("no %s: ./run build mingw-%s" % (path, arch))
        return path

    def test_each_dll_is_what_its_name_says(self):
        for arch in ("x86", "x64"):
            self.assertEqual(problems(self.dll(arch), arch), [], arch)

    def test_the_checks_tell_the_dlls_apart(self):
        wrong = problems(self.dll("x64"), "x86")
        self.assertIn("pei-x86-64: not a x86 image", wrong)
        self.assertIn("no identity text '2.0-beta (x86)' in the resources", wrong)
        self.assertIn("pei-i386: not a x64 image", problems(self.dll("x86"), "x64"))


class ProbeTest(unittest.TestCase):
    """runs-i386 told a program that starts from one the kernel refuses (ENOEXEC)."""

    def probe(self, program):
        done = subprocess.run([os.path.join(HERE, "runs-i386"), program],
                              capture_output=True, text=True, timeout=30)
        self.assertEqual(len(done.stdout.splitlines()), 1, done.stdout)
        return done.returncode, done.stdout.strip()

    def test_a_program_that_runs_and_one_the_kernel_refuses(self):
        self.assertEqual(self.probe("/bin/true"), (0, "this machine runs 32-bit programs: the 32-bit Windows DLL "
                                                      "is tested under 32-bit Wine"))
        with tempfile.TemporaryDirectory() as work:
            # An ELF header of a machine no kernel knows: exec fails with ENOEXEC.
            refused = os.path.join(work, "refused")
            with open(refused, "wb") as f:
                f.write(b"\x7fELF\x02\x01\x01" + bytes(9) + struct.pack("<HH", 3, 0x1234) + bytes(44))
            os.chmod(refused, stat.S_IRWXU)
            self.assertEqual(self.probe(refused), (1, "this machine runs no 32-bit programs (Exec format error): "
                                                      "the 32-bit Windows DLL is checked without running it"))


if __name__ == "__main__":
    unittest.main()
