"""Warblerx64.dll under 64-bit Wine and Warblerx86.dll under 32-bit Wine (SysWOW64's programs):
self-registration read back from the registry, a COM client built with mingw, VBScript and
JScript driving the objects through cscript, against the simulator too, the examples a Windows
user copies, and both DLLs installed side by side.

WARBLER_DLL_DIR and WARBLER_DLL_DIR_X86 name the folders of the cross builds (the DLL and
warbler_com_test.exe); WARBLER_LIBRARY the Linux library whose descriptions the DLLs' must equal.
Each class uses a fresh Wine prefix under WARBLER_WINE_ROOT and removes it, and every process of it,
at the end, also when its set-up failed. Once wine32 is installed, `wine` starts 32-bit programs:
64-bit ones, wineboot included, are started with wine64. Where the kernel runs no 32-bit programs
(WARBLER_RUNS_I386=0, or runs-i386 says so), the 32-bit class is skipped: test_dll_image checks
that DLL without running it."""

import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import unittest
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PACKAGE = os.path.join(os.environ.get("WARBLER_BUILD_DIR", os.path.join(ROOT, "build", "linux")), "python")
sys.path.insert(0, PACKAGE)
sys.path.insert(0, os.path.join(ROOT, "simulator"))

import warbler  # noqa: E402
from warbler_sim.process import Simulator  # noqa: E402

DLL_DIR = os.environ.get("WARBLER_DLL_DIR", "")
DLL_DIR_X86 = os.environ.get("WARBLER_DLL_DIR_X86", "")
WINE64 = "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine"
CLASSES = [  # CLSID, versioned ProgID, ProgID, description
    ("{DC7D96F0-E332-4D41-BBC5-D93CDB8F3D87}", "Velmora.Twitter.1", "Velmora.Twitter", "Twitter Class"),
    ("{DF374A98-C6BA-4AEA-9A6C-6920625CF1E7}", "Velmora.Twitter.Status.1", "Velmora.Twitter.Status", "Status Class"),
    ("{2B67D5CD-2072-4A61-872B-BBA60B985795}", "Velmora.Twitter.User.1", "Velmora.Twitter.User", "User Class"),
]
APPID = "{3968EE95-DCC0-4ED9-867B-FC3B16F8718F}"
LIBID = "{2F01AB51-1085-4C69-AF29-36869EF8718B}"
INTERFACES = ["{3D12E5BF-95FD-476D-8437-E6216ACAC8C7}", "{DE8C0785-CC9E-49B0-A757-EAE4B69B7E04}",
              "{252DEA60-71DD-4B66-BA75-4122014C0C78}"]
# Every public code, every HTTP client code, and codes that have no description of their own.
CODES = [0, 25016] + list(range(35000, 35022)) + [10060, 22021, 22024, 22380, 22382, 22390, 22391, 22401,
                                                 22404, 22405, 22406, 22407, 22408, 22409, 22410, 22412,
                                                 22413, 22414, 22415, 22426, 22450, -103, -1, 1]
# One user-level flow, each step valid JScript and Python, run from JScript under Wine and from
# Python on Linux against fresh simulators: each step's number or truth and LastError are printed.
# a(0) is the log file, a(1) to a(4) the consumer and access pairs. The simulator checks every
# signature with python3-oauthlib: values awkward to encode go out in a POST and in a query.
FLOW = "".join("r = %s\nsay(r)\n" % step for step in """
t.LogFile = a(0)
t.APICall("statuses/show/caf\\u00e9", "xml")
t.ConsumerKey = a(1)
t.ConsumerSecret = a(2)
t.RequestAuthorization() != ""
t.RequestAccessToken("not-the-pin")
t.AccessToken = a(3)
t.AccessTokenSecret = a(4)
t.APICall("account/verify_credentials", "xml") != ""
t.APICall("statuses/show/a b", "xml")
t.APICall("statuses/show/caf\\u00e9", "xml")
t.Tweet("A status from the flow") != ""
t.Tweet("Hello \\u00e9")
t.FindFirstTweet("home", "", "", 1).Text == "Hello \\u00e9"
t.Tweet("  two  spaces   line2  ")
t.FindFirstTweet("home", "", "", 2).Text == "  two  spaces   line2  "
t.Tweet("a b  c 1+1 100% sure %41 ~user -._ * wow! a&b x=y caf\\u00e9") != ""
t.FindFirstTweet("home", "", "", 3).Text == "a b  c 1+1 100% sure %41 ~user -._ * wow! a&b x=y caf\\u00e9"
walk(t.FindFirstUser("a&b x=y %41 ~user -._ * wow! 1+1 caf\\u00e9"), "FindNextUser")
walk(t.FindFirstTweet("home", "", "", 5), "FindNextTweet")
walk(t.FindFirstFriend(), "FindNextUser")
t.SaveAccessKey("flow-relative.ini")
t.AccessToken = ""
t.LoadAccessKey("flow-relative.ini")
t.AccessToken != ""
t.APICall("http://127.0.0.1:1/refused", "xml")
t.AccessTokenSecret = "wrong"
t.APICall("account/verify_credentials", "xml")
""".strip().splitlines())
FLOW_JSCRIPT = """var t = new ActiveXObject("Velmora.Twitter"), r;
function a(i) { return WScript.Arguments(i); }
function walk(item, next) { var n = 0; for (; item != null; item = t[next]()) n++; return n; }
function say(r) { WScript.Echo((typeof r == "number" || typeof r == "boolean" ? String(r) : "-") + " " + t.LastError); }
"""
FLOW_PYTHON = """import sys, warbler
t = warbler.Dispatch("Velmora.Twitter")
def a(i): return sys.argv[1 + i]
def walk(item, next):
    n = 0
    while item is not None:
        n, item = n + 1, getattr(t, next)()
    return n
def say(r): print(str(r).lower() if type(r) in (int, bool) else "-", t.LastError)
"""
SUMMARY = re.compile(r"^(\d+) passed, (\d+) failed$")
VALUE_LINE = re.compile(r"^ {4}(.+?) {4}(REG_\w+)(?: {4}(.*))?$")


def machine_runs_i386():
    """(whether this machine runs 32-bit programs, the line that says so): as ./run test decided
    (WARBLER_RUNS_I386), or else as the probe finds."""
    decided = os.environ.get("WARBLER_RUNS_I386")
    if decided in ("0", "1"):
        return decided == "1", "this machine runs %s32-bit programs (WARBLER_RUNS_I386=%s)" % (
            "" if decided == "1" else "no ", decided)
    done = subprocess.run([os.path.join(HERE, "runs-i386")], capture_output=True, text=True, timeout=30)
    return done.returncode == 0, done.stdout.strip()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class WineTest(unittest.TestCase):
    """The 64-bit DLL, with the 64-bit programs of the prefix."""
    ARCH, DLL_DIR, LOADER, PROGRAMS = "x64", DLL_DIR, WINE64, ""

    @classmethod
    def program(cls, name):
        """A program of the prefix: the 64-bit one by its name, the 32-bit one from SysWOW64."""
        return cls.PROGRAMS + name + (".exe" if cls.PROGRAMS else "")

    @classmethod
    def setUpClass(cls):
        cls.dll_name = "Warbler%s.dll" % cls.ARCH
        if not os.path.isfile(os.path.join(cls.DLL_DIR, cls.dll_name)):
            raise RuntimeError("no %s in %r: ./run build mingw-%s" % (cls.dll_name, cls.DLL_DIR, cls.ARCH))
        root = os.environ.get("WARBLER_WINE_ROOT") or tempfile.gettempdir()
        os.makedirs(root, exist_ok=True)
        cls.prefix = tempfile.mkdtemp(prefix="wine-", dir=root)
        cls.env = dict(os.environ, WINEPREFIX=cls.prefix, WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=")
        # Runs also when what follows fails: a persistent server would otherwise stay for ever.
        cls.addClassCleanup(cls.remove_prefix)
        # A server of its own that holds none of our pipes, stopped at the end.
        subprocess.run(["wineserver", "-p"], env=cls.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=60)
        # Into a file: the prefix's services inherit wineboot's output and outlive it.
        with tempfile.TemporaryFile() as said:
            booted = subprocess.run([WINE64, "wineboot", "-i"], env=cls.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=said, timeout=180)
            if booted.returncode != 0:
                said.seek(0)
                raise RuntimeError("wineboot failed (exit %d): %s" % (
                    booted.returncode, said.read().decode(errors="replace").strip()[-500:]))
        cls.dll = windows_path(os.path.join(cls.DLL_DIR, cls.dll_name))

    @classmethod
    def remove_prefix(cls):
        subprocess.run(["wineserver", "-k"], env=cls.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def wine(self, *args, timeout=120):
        return subprocess.run([self.LOADER, *args], env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, errors="replace", timeout=timeout)

    def regsvr32(self, *switches, dll=None):
        self.assertEqual(self.wine(self.program("regsvr32"), "/s", *switches, dll or self.dll).returncode, 0,
                         switches)

    def registry_tree(self, key):
        """{subkey below key: {value name: data}}, or None when the key is missing."""
        done = self.wine(self.program("reg"), "query", key, "/s")
        if done.returncode != 0 and "Unable to find" not in done.stdout:
            # reg itself failed (seen once on a loaded machine): asked again, once.
            done = self.wine(self.program("reg"), "query", key, "/s")
        if done.returncode != 0:
            self.assertIn("Unable to find", done.stdout, "reg query %s: %s" % (key, done.stdout + done.stderr))
            return None
        full = key
        for short, long in (("HKCR", "HKEY_CLASSES_ROOT"), ("HKCU", "HKEY_CURRENT_USER"), ("HKLM", "HKEY_LOCAL_MACHINE")):
            full = full.replace(short, long, 1) if full.startswith(short + "\\") else full
        tree, current = {}, None
        for line in done.stdout.splitlines():
            if line.startswith("HKEY_"):
                current = line.strip()[len(full):]
                tree[current] = {}
                continue
            value = VALUE_LINE.match(line)
            if value and current is not None:
                tree[current][value.group(1)] = value.group(3)
        return tree

    def assertClassesRegistered(self, root):
        for clsid, versioned, independent, description in CLASSES:
            progid = self.registry_tree("%s\\%s" % (root, versioned))
            self.assertEqual(progid[""]["(Default)"], description)
            self.assertEqual(progid["\\CLSID"]["(Default)"], clsid)
            progid = self.registry_tree("%s\\%s" % (root, independent))
            self.assertEqual((progid[""]["(Default)"], progid["\\CLSID"]["(Default)"],
                              progid["\\CurVer"]["(Default)"]), (description, clsid, versioned))
            cls = self.registry_tree("%s\\CLSID\\%s" % (root, clsid))
            self.assertEqual(cls[""]["(Default)"], description)
            self.assertEqual(cls["\\ProgID"]["(Default)"], versioned)
            self.assertEqual(cls["\\VersionIndependentProgID"]["(Default)"], independent)
            self.assertIn("\\Programmable", cls)
            self.assertEqual(cls["\\InprocServer32"]["(Default)"], self.dll)
            self.assertEqual(cls["\\InprocServer32"]["ThreadingModel"], "Apartment")
            self.assertEqual(cls["\\TypeLib"]["(Default)"], LIBID)
        self.assertEqual(self.registry_tree("%s\\AppID\\%s" % (root, APPID))[""]["(Default)"], "Warbler")
        self.assertEqual(self.registry_tree("%s\\AppID\\Warbler.DLL" % root)[""]["AppID"], APPID)

    def assertClassesGone(self, root):
        self.assertClassesGoneExcept(root, None)

    def assertClassesGoneExcept(self, root, kept):
        for clsid, versioned, independent, _ in CLASSES:
            for key in (versioned, independent, "CLSID\\" + clsid):
                if key != kept:
                    self.assertIsNone(self.registry_tree("%s\\%s" % (root, key)), key)
        self.assertIsNone(self.registry_tree("%s\\AppID\\%s" % (root, APPID)))

    def test_registration_machine_wide_and_per_user(self):
        self.regsvr32()
        self.assertClassesRegistered("HKCR")
        self.assertIsNotNone(self.registry_tree("HKCR\\TypeLib\\%s\\1.0" % LIBID))
        for interface in INTERFACES:
            self.assertIsNotNone(self.registry_tree("HKCR\\Interface\\" + interface), interface)
        self.regsvr32("/u")
        self.assertClassesGone("HKCR")
        # What registration wrote of the type library goes too, whatever its locale.
        self.assertIsNone(self.registry_tree("HKCR\\TypeLib\\%s" % LIBID))
        for interface in INTERFACES:
            self.assertIsNone(self.registry_tree("HKCR\\Interface\\" + interface), interface)
        # The parents stay.
        self.assertIsNotNone(self.registry_tree("HKCR\\AppID"))
        self.assertIsNotNone(self.registry_tree("HKCR\\CLSID"))

        self.regsvr32("/n", "/i:user")
        self.assertClassesRegistered("HKCU\\Software\\Classes")
        self.assertClassesGone("HKCR")
        self.regsvr32("/u", "/n", "/i:user")
        self.assertClassesGone("HKCU\\Software\\Classes")
        # The word is case-sensitive: anything else installs machine-wide.
        self.regsvr32("/n", "/i:User")
        self.assertClassesRegistered("HKCR")
        self.assertClassesGone("HKCU\\Software\\Classes")

    def test_unregistration_keeps_what_others_wrote(self):
        self.regsvr32()
        self.assertEqual(self.wine(self.program("reg"), "add", "HKCR\\Velmora.Twitter\\shell\\open", "/ve", "/d", "foreign",
                                   "/f").returncode, 0)
        self.assertEqual(self.wine(self.program("reg"), "add", "HKCR\\Velmora.Twitter", "/v", "Foreign", "/d", "kept",
                                   "/f").returncode, 0)
        self.regsvr32("/u")
        tree = self.registry_tree("HKCR\\Velmora.Twitter")
        self.assertEqual(tree[""].get("Foreign"), "kept")
        self.assertNotEqual(tree[""].get("(Default)"), "Twitter Class")
        self.assertEqual(tree["\\shell\\open"]["(Default)"], "foreign")
        self.assertNotIn("\\CLSID", tree)
        self.assertNotIn("\\CurVer", tree)
        self.assertClassesGoneExcept("HKCR", "Velmora.Twitter")
        self.regsvr32("/u")  # nothing left to undo is success
        self.wine(self.program("reg"), "delete", "HKCR\\Velmora.Twitter", "/f")

    def test_com_client(self):
        folder = tempfile.mkdtemp(dir=self.prefix)
        done = self.wine(os.path.join(self.DLL_DIR, "warbler_com_test.exe"), self.dll, windows_path(folder))
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        summary = SUMMARY.match(done.stdout.strip().splitlines()[-1])
        self.assertTrue(summary and int(summary.group(1)) > 100 and summary.group(2) == "0", done.stdout)

    def run_script(self, name):
        self.regsvr32()
        done = self.wine(self.program("cscript"), "//nologo", windows_path(os.path.join(HERE, "scripts", name)),
                         self.ARCH, *[str(c) for c in CODES])
        lines = done.stdout.strip().splitlines()
        # A script that does not compile ends silently with 0: only its own summary counts.
        self.assertTrue(lines and SUMMARY.match(lines[-1]), done.stdout + done.stderr)
        self.assertEqual(SUMMARY.match(lines[-1]).group(2), "0", done.stdout)
        self.assertEqual(done.returncode, 0)
        linux = warbler.Dispatch("Velmora.Twitter")
        descriptions = [line for line in lines if line.startswith("description ")]
        self.assertEqual(descriptions,
                         ["description %d %s" % (c, linux.GetErrorDescription(c)) for c in CODES])

    def run_jscript(self, name, text, *args, env=None, dll=None, cwd=None):
        """A JScript of the test's own under the registered DLL (or another): what it echoed, without
        the end's blanks."""
        self.regsvr32(dll=dll)
        script = os.path.join(self.prefix, name)
        with open(script, "w") as f:
            f.write(text)
        done = subprocess.run([self.LOADER, self.program("cscript"), "//nologo", windows_path(script), *args],
                              env=env or self.env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=120, cwd=cwd)
        return done.stdout.strip()

    def test_vbscript(self):
        self.run_script("Objects.vbs")

    def simulator_env(self, sim):
        return dict(self.env, WARBLER_API_HOST=sim.host_port(), WARBLER_OAUTH_HOST=sim.host_port())

    @staticmethod
    def comparable(log):
        """Log lines without what differs by run or by platform: times (the clock, and what is
        left of a call's deadline when it is logged), ports, tokens, the transport library's
        name, and the Linux transport's own words for a failure, which WinHTTP does not give."""
        lines = []
        for line in log:
            line = re.sub(r"^\[\d\d:\d\d:\d\d\] ", "", line)
            if line.startswith("LoadLibrary ["):
                continue
            line = re.sub(r"127\.0\.0\.1:?\d+", "HOST", line)
            line = re.sub(r"[A-Za-z0-9]{20,}", "TOKEN", line)
            line = re.sub(r"valid for \[\d+\] seconds", "valid for [N] seconds", line)
            line = re.sub(r"^Timeout \[\d+\]$", "Timeout [N]", line)
            line = re.sub(r"^(Request to \[.*\] failed in .*\]) \(.*\)$", r"\1", line)
            lines.append(line)
        return lines

    def test_one_flow_gives_the_results_and_log_lines_it_gives_on_linux(self):
        results, logs, requests = {}, {}, {}
        for side in ("windows", "linux"):
            sim = Simulator("--page-size", "20")
            folder = tempfile.mkdtemp(dir=self.prefix)
            log = os.path.join(folder, "flow.log")
            keys = [sim.credentials[k] for k in ("consumer_key", "consumer_secret", "access_token",
                                                  "access_token_secret")]
            try:
                if side == "windows":
                    said = self.run_jscript("flow.js", FLOW_JSCRIPT + FLOW, windows_path(log), *keys,
                                            env=self.simulator_env(sim), cwd=folder)
                else:
                    done = subprocess.run([sys.executable, "-c", FLOW_PYTHON + FLOW, log, *keys],
                                          env=dict(self.simulator_env(sim), PYTHONPATH=PACKAGE), cwd=folder,
                                          capture_output=True, text=True, timeout=300)
                    self.assertEqual(done.returncode, 0, done.stderr)
                    said = done.stdout.strip()
                requests[side] = self.comparable(sim.requests_logged())
            finally:
                sim.stop()
            results[side] = said.splitlines()
            # A key file named without a folder is the current folder's.
            self.assertTrue(os.path.isfile(os.path.join(folder, "flow-relative.ini")), side)
            # Log lines are in the code page on Windows, Wine's default one here, and end with CR LF.
            with open(log, encoding="cp1252" if side == "windows" else "utf-8", newline="") as f:
                text = f.read()
            if side == "windows":
                self.assertNotIn("\n", text.replace("\r\n", ""))
            logs[side] = self.comparable(text.splitlines())
        # The service's 400 for a status id that is no number; the refused PIN's 35002 stands until
        # the next call; no user found, 5 statuses, the friends' three pages.
        self.assertEqual(" | ".join(results["linux"]), "- 0 | - 35005 | - 35005 | - 35005 | true 0 | - 35002 | "
                         "- 35002 | - 35002 | true 0 | - 35005 | - 35005 | true 0 | - 0 | true 0 | - 0 | "
                         "true 0 | true 0 | true 0 | 0 25016 | 5 35015 | 45 25016 | - 0 | - 0 | - 0 | true 0 | "
                         "- 35014 | - 35014 | - 35002")
        self.assertEqual(results["windows"], results["linux"])
        self.maxDiff = None
        self.assertEqual(logs["windows"], logs["linux"])
        # What reached the server, paths beyond ASCII and blanks included.
        self.assertIn('127.0.0.1 "GET /1/statuses/show/caf%C3%A9.xml? HTTP/1.1" 400 -', requests["linux"])
        self.assertEqual(requests["windows"], requests["linux"])

    def test_a_member_that_throws_reaches_the_script_host_as_a_code(self):
        """The DLL's failure-injection twin: the member the environment names throws inside. The
        script gets E_OUTOFMEMORY as an error it can catch, the Twitter object its result code and
        result line, and the host and the object go on."""
        faults = windows_path(os.path.join(self.DLL_DIR, "Warbler%sFaults.dll" % self.ARCH))
        log = os.path.join(self.prefix, "faults.log")
        script = (
            'var t = new ActiveXObject("Velmora.Twitter"); t.LogFile = WScript.Arguments(1);\n'
            'var calls = {Version: function () { return t.Version; },\n'
            '    ConsumerKey: function () { t.ConsumerKey = "k"; },\n'
            '    Tweet: function () { return t.Tweet("hello"); },\n'
            '    FindFirstTweet: function () { return t.FindFirstTweet("home"); }};\n'
            'var said = "none";\n'
            'try { calls[WScript.Arguments(0)](); } catch (e) { said = (e.number >>> 0).toString(16); }\n'
            'WScript.Echo(said + " " + t.LastError + " " + t.GetErrorDescription(t.LastError));\n')
        try:
            for member in ("Version", "ConsumerKey", "Tweet", "FindFirstTweet"):
                said = self.run_jscript("faults.js", script, member, windows_path(log), dll=faults,
                                        env=dict(self.env, WARBLER_FAIL_MEMBER=member))
                self.assertEqual(said, "8007000e 22382 Could not allocate buffer", member)
                with open(log, encoding="latin-1") as f:
                    self.assertTrue(f.read().rstrip().endswith("%s result: [22382: Could not allocate buffer]"
                                                               % member), member)
        finally:
            self.regsvr32()

    def test_a_challenge_of_an_unknown_scheme_ends_the_call_as_on_linux(self):
        seen = []

        class Refuser(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                seen.append(self.path)
                body = b"<hash><error>Could not authenticate with OAuth.</error></hash>"
                self.send_response(401)
                self.send_header("WWW-Authenticate", 'OAuth realm="refuser"')
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Refuser)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        url = "http://127.0.0.1:%d/1/account/verify_credentials" % server.server_port
        try:
            said = self.run_jscript(
                "refused.js", 'var t = new ActiveXObject("Velmora.Twitter");\n'
                't.ConsumerKey = "k"; t.ConsumerSecret = "s"; t.AccessToken = "1-t"; t.AccessTokenSecret = "ts";\n'
                't.APICall(WScript.Arguments(0), "xml");\nWScript.Echo("code " + t.LastError);\n', url)
            windows = (said, len(seen))
            del seen[:]
            linux = warbler.Dispatch("Velmora.Twitter")
            linux.ConsumerKey, linux.ConsumerSecret, linux.AccessToken, linux.AccessTokenSecret = "k", "s", "1-t", "ts"
            linux.APICall(url, "xml")
        finally:
            server.shutdown()
            server.server_close()
        self.assertEqual(windows[0], "code %d" % linux.LastError)
        self.assertLessEqual(windows[1], 2)
        self.assertEqual(len(seen), 1)

    def test_a_post_whose_connection_drops_is_carried_out_once_as_on_linux(self):
        """A POST on a kept-alive connection that the server reads and then closes unanswered: the
        call fails, and the server has read the POST once."""
        def once(client):
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                port = s.getsockname()[1]
            server = subprocess.Popen(["/usr/bin/python3", os.path.join(ROOT, "tests", "integration",
                                                                        "broken_server.py"), str(port), "dropmid"])
            try:
                for _ in range(50):
                    with socket.socket() as s:
                        if s.connect_ex(("127.0.0.1", port)) == 0:
                            break
                    threading.Event().wait(0.1)
                return client("http://127.0.0.1:%d/1/statuses/update" % port)
            finally:
                server.kill()
                server.wait()

        windows = once(lambda url: self.run_jscript(
            "post.js", 'var t = new ActiveXObject("Velmora.Twitter"), url = WScript.Arguments(0);\n'
            't.APICall(url, "xml");\nt.APICall(url, "xml", "status=once", true);\nvar failed = t.LastError;\n'
            'WScript.Echo(failed + " " + t.APICall(url, "xml"));\n', url))

        def linux_client(url):
            t = warbler.Dispatch("Velmora.Twitter")
            t.APICall(url, "xml")
            t.APICall(url, "xml", "status=once", True)
            failed = t.LastError
            return "%d %s" % (failed, t.APICall(url, "xml"))
        linux = once(linux_client)
        self.assertEqual(linux.split()[1], "posts=1")
        self.assertEqual(windows, linux)

    def registration_trees(self, dll):
        """Every key the COM registration writes, as registry trees, with the DLL at dll and its
        folder made neutral: the same registration from another place compares equal."""
        keys = ["AppID\\" + APPID, "AppID\\Warbler.DLL", "TypeLib\\" + LIBID]
        keys += ["Interface\\" + iid for iid in INTERFACES]
        for clsid, versioned, independent, _ in CLASSES:
            keys += ["CLSID\\" + clsid, versioned, independent]
        folder = dll.rsplit("\\", 1)[0]
        neutral = {dll: "<dll>", folder: "<folder>", folder + "\\": "<folder>"}
        trees = {key: self.registry_tree("HKCR\\" + key) for key in keys}
        return {key: tree and {sub: {name: neutral.get(data, data) for name, data in values.items()}
                               for sub, values in tree.items()}
                for key, tree in trees.items()}

    def test_a_utf8_reply_gives_what_the_code_page_can_hold(self):
        sim = Simulator()
        try:
            c = sim.credentials
            said = self.run_jscript(
                "texts.js", 'var t = new ActiveXObject("Velmora.Twitter"), a = WScript.Arguments;\n'
                't.ConsumerKey = a(0); t.ConsumerSecret = a(1); t.AccessToken = a(2); t.AccessTokenSecret = a(3);\n'
                't.Tweet("caf\\u00e9 \\u0436");\nvar text = t.FindFirstTweet("home").Text, codes = [];\n'
                'for (var i = 0; i < text.length; i++) codes.push(text.charCodeAt(i));\n'
                'WScript.Echo(t.LastError + " " + codes.join(","));\n',
                c["consumer_key"], c["consumer_secret"], c["access_token"], c["access_token_secret"],
                env=self.simulator_env(sim))
        finally:
            sim.stop()
        # "café" whole; the Cyrillic letter is beyond the code page that texts pass through in 8 bits.
        self.assertEqual(said, "0 " + ",".join(str(ord(ch)) for ch in "café ?"))

    def installer(self, version):
        build = os.path.dirname(os.path.dirname(DLL_DIR))
        source, msi = (os.path.join(self.prefix, "warbler-%s.%s" % (version, kind)) for kind in ("wxs", "msi"))
        subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "packaging", "warbler_msi.py"), version,
                        os.path.join("mingw-x64", "bin", "Warblerx64.dll"),
                        os.path.join("mingw-x86", "bin", "Warblerx86.dll"), source], check=True, cwd=build)
        subprocess.run(["wixl", "-a", "x64", "-o", msi, source], check=True, cwd=build, capture_output=True)
        return windows_path(msi)

    def test_the_installer_writes_what_registration_writes_and_leaves_nothing(self):
        if self.ARCH == "x86":
            # The registry is compared by the 64-bit suite: here a 32-bit host gets its own DLL.
            newer = self.installer("2.0.10")
            self.assertEqual(self.wine("msiexec", "/i", newer, "/qn").returncode, 0)
            self.addCleanup(self.wine, "msiexec", "/x", newer, "/qn")
            seen = self.wine(self.program("cscript"), "//nologo",
                             windows_path(os.path.join(HERE, "scripts", "Module.js")))
            self.assertEqual(seen.stdout.strip(), "Warblerx86.dll")
            return
        self.regsvr32()
        registered = self.registration_trees(self.dll)
        self.regsvr32("/u")
        installed = "C:\\Program Files\\Warbler\\Warblerx64.dll"
        # The type library's key is one for both views: the 32-bit DLL's entry stands beside ours.
        library = "TypeLib\\" + LIBID
        registered[library]["\\1.0\\409\\win32"] = {"(Default)": "C:\\Program Files (x86)\\Warbler\\Warblerx86.dll"}
        older, newer = self.installer("2.0.9"), self.installer("2.0.10")
        # A newer version replaces an older one: its uninstall then leaves nothing of either.
        self.assertEqual(self.wine("msiexec", "/i", older, "/qn").returncode, 0)
        self.assertEqual(self.wine("msiexec", "/i", newer, "/qn").returncode, 0)
        # Whatever fails below, the prefix is left without the package for the other tests.
        self.addCleanup(self.wine, "msiexec", "/x", newer, "/qn")
        products = self.registry_tree("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall")
        self.assertEqual([v["DisplayVersion"] for v in products.values() if v.get("DisplayName") == "Velmora Warbler Suite"],
                         ["2.0.10"])
        files = os.path.join(self.prefix, "drive_c")
        for path in ("Program Files/Warbler/Warblerx64.dll", "Program Files (x86)/Warbler/Warblerx86.dll"):
            self.assertTrue(os.path.isfile(os.path.join(files, path)), path)
        self.assertEqual(self.registration_trees(installed), registered)
        # The 32-bit DLL's registration is in the 32-bit view.
        server = self.registry_tree("HKLM\\Software\\Wow6432Node\\Classes\\CLSID\\%s\\InprocServer32" % CLASSES[0][0])
        self.assertEqual(server[""]["(Default)"], "C:\\Program Files (x86)\\Warbler\\Warblerx86.dll")
        seen = self.wine("cscript", "//nologo", windows_path(os.path.join(HERE, "scripts", "Module.js")))
        self.assertEqual(seen.stdout.strip(), "Warblerx64.dll")
        # Wine's msiexec cannot repair (/f answers 69 with a package, 1 with the product code): the
        # repair is left to Windows.
        self.assertEqual(self.wine("msiexec", "/x", newer, "/qn").returncode, 0)
        self.assertEqual(set(map(json.dumps, self.registration_trees(installed).values())), {"null"})
        self.assertIsNone(self.registry_tree("HKLM\\Software\\Wow6432Node\\Classes\\CLSID\\" + CLASSES[0][0]))
        for folder in ("Program Files/Warbler", "Program Files (x86)/Warbler"):
            self.assertFalse(os.path.exists(os.path.join(files, folder)), folder)

    def test_examples(self):
        self.regsvr32()
        keys = os.path.join(tempfile.mkdtemp(dir=self.prefix), "keys.ini")
        sim = Simulator("--page-size", "20")
        env = self.simulator_env(sim)

        def example(*args):
            done = subprocess.run([self.LOADER, self.program("cscript"), "//nologo",
                                   windows_path(os.path.join(ROOT, "examples", "windows", args[0])),
                                   windows_path(keys), *args[1:]],
                                  env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
            self.assertEqual(done.returncode, 0, done.stdout)
            return done.stdout.splitlines()

        try:
            first = example("Authorize.vbs", sim.credentials["consumer_key"], sim.credentials["consumer_secret"])
            url = first[0].split(": ", 1)[1]
            with urllib.request.urlopen(url + "&approve=1&format=text", timeout=10) as page:
                verifier = page.read().decode().split("oauth_verifier=")[1]
            self.assertEqual(example("Authorize.vbs", verifier)[-1],
                             "Authorized; the keys are in " + windows_path(keys))
            posted = example("Post.vbs", "Hello from VBScript")[-1]
            self.assertRegex(posted, r"^Posted status \d+$")
            self.assertRegex(example("Post.vbs", "A reply", "warbler_demo", posted.split()[-1])[-1],
                             r"^Posted status \d+$")
            timeline = example("Timeline.vbs", "home", "5")
            self.assertEqual(timeline[-1], "5 statuses")
            self.assertTrue(timeline[0].endswith("@warbler_demo: @warbler_demo A reply"), timeline[0])
            followers = example("Followers.js")
            self.assertEqual(followers[-1], "52 followers")
            self.assertEqual(len(set(followers[:-1])), 52)
            # A mistyped key file is said as such, before any request.
            for script in ("Timeline.vbs", "Followers.js", "Post.vbs"):
                done = subprocess.run([self.LOADER, self.program("cscript"), "//nologo",
                                       windows_path(os.path.join(ROOT, "examples", "windows", script)),
                                       windows_path(keys + ".typo"), "x"],
                                      env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                      timeout=120)
                self.assertEqual((done.returncode, done.stdout.strip()),
                                 (1, "No keys: Could not find the specified key file."), script)
        finally:
            sim.stop()


class Wine32Test(WineTest):
    """The 32-bit DLL, with SysWOW64's programs, as VB6, 32-bit Office and 32-bit script hosts load
    it; and both DLLs side by side."""
    ARCH, DLL_DIR, LOADER, PROGRAMS = "x86", DLL_DIR_X86, "wine", "C:\\windows\\syswow64\\"

    @classmethod
    def setUpClass(cls):
        runs, reason = machine_runs_i386()
        if not runs:
            print(reason, flush=True)
            raise unittest.SkipTest(reason)
        super().setUpClass()

    def module_seen_by(self, loader, cscript):
        done = subprocess.run([loader, cscript, "//nologo", windows_path(os.path.join(HERE, "scripts", "Module.js"))],
                              env=self.env, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
        return done.stdout.strip()

    def test_both_dlls_side_by_side(self):
        dll64 = windows_path(os.path.join(DLL_DIR, "Warblerx64.dll"))
        self.assertEqual(subprocess.run([WINE64, "regsvr32", "/s", dll64], env=self.env, capture_output=True,
                                        timeout=120).returncode, 0)
        self.regsvr32()
        script32 = (self.LOADER, self.program("cscript"))
        script64 = (WINE64, "cscript")
        # Each host gets its own DLL, by the same ProgID.
        self.assertEqual(self.module_seen_by(*script32), "Warblerx86.dll")
        self.assertEqual(self.module_seen_by(*script64), "Warblerx64.dll")
        # Unregistering one leaves the other working.
        self.regsvr32("/u")
        self.assertNotEqual(self.module_seen_by(*script32), "Warblerx86.dll")
        self.assertEqual(self.module_seen_by(*script64), "Warblerx64.dll")
        self.regsvr32()
        self.assertEqual(subprocess.run([WINE64, "regsvr32", "/s", "/u", dll64], env=self.env, capture_output=True,
                                        timeout=120).returncode, 0)
        self.assertEqual(self.module_seen_by(*script32), "Warblerx86.dll")
        self.assertNotEqual(self.module_seen_by(*script64), "Warblerx64.dll")


if __name__ == "__main__":
    unittest.main()
