"""What can be known of the Windows DLLs without running them, read from their PE images: the
machine and image kind, the five entry points exported by plain name, imports of system DLLs
only, no debug sections or symbols, and the identity texts naming the architecture. This is all a machine whose kernel runs no
32-bit programs can prove of the 32-bit DLL. Also the probe that decides whether a machine does."""

import os
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
KINDS = {"x86": (0x14C, 0x10B), "x64": (0x8664, 0x20B)}  # machine, optional-header magic


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s is no PE image" % path)
        self.machine, sections, _, self.symbol_table, _, optional_size, _ = struct.unpack_from(
            "<HHIIIHH", self.data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", self.data, optional)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i) for i in range(3)]
        self.sections = []
        for i in range(sections):
            name, size, rva, raw_size, raw = struct.unpack_from("<8sIIII", self.data, optional + optional_size + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(size, raw_size), raw))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA %#x outside every section" % rva)

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def exports(self):
        rva, _ = self.directories[0]
        if rva == 0:
            return set()
        names, _, name_table = struct.unpack_from("<III", self.data, self.offset(rva) + 24)
        table = self.offset(name_table)
        return {self.text(struct.unpack_from("<I", self.data, table + 4 * i)[0]) for i in range(names)}

    def imports(self):
        rva, _ = self.directories[1]
        found, at = set(), self.offset(rva)
        while True:
            name = struct.unpack_from("<I", self.data, at + 12)[0]
            if name == 0:
                return found
            found.add(self.text(name).lower())
            at += 20

    def resources(self):
        rva, size = self.directories[2]
        at = self.offset(rva)
        return self.data[at:at + size]


def problems(path, arch):
    """What keeps the DLL at path from being the arch ("x86" or "x64") DLL users install."""
    image = PeImage(path)
    found = []
    if (image.machine, image.magic) != KINDS[arch]:
        found.append("machine %#x, optional header %#x: not a %s image" % (image.machine, image.magic, arch))
    if image.exports() != ENTRY_POINTS:
        found.append("exports %s" % sorted(image.exports()))
    foreign = image.imports() - SYSTEM_DLLS
    if foreign:
        found.append("imports beyond the system's: %s" % sorted(foreign))
    if image.symbol_table != 0 or any(name.startswith(".debug") for name, *_ in image.sections):
        found.append("debug sections or a symbol table")
    resources = image.resources()
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
        self.assertIn("machine 0x8664, optional header 0x20b: not a x86 image", wrong)
        self.assertIn("no identity text '2.0-beta (x86)' in the resources", wrong)
        self.assertIn("machine 0x14c, optional header 0x10b: not a x64 image", problems(self.dll("x86"), "x64"))


class ProbeTest(unittest.TestCase):
    """runs-i386 told a program that starts from one the kernel refuses (ENOEXEC)."""

    def probe(self, program=None):
        done = subprocess.run([os.path.join(HERE, "runs-i386")] + ([program] if program else []),
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

    def test_the_built_in_probe_answers_once(self):
        status, line = self.probe()
        self.assertIn(status, (0, 1))
        self.assertTrue(line.startswith("this machine runs "), line)


if __name__ == "__main__":
    unittest.main()
