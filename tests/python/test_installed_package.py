"""The Debian package, unpacked into a scratch root, works outside the source tree: the command,
the Python package (which finds the installed library by itself) and the simulator."""

import os
import shutil
import subprocess
import tempfile
import unittest

BUILD_DIR = os.environ.get("WARBLER_BUILD_DIR", "")


class InstalledPackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="warbler-package-")
        subprocess.run(["cpack", "-G", "DEB", "-B", cls.scratch], cwd=BUILD_DIR, check=True,
                       capture_output=True, timeout=300)
        debs = [f for f in os.listdir(cls.scratch) if f.endswith("_amd64.deb")]
        assert len(debs) == 1, debs
        cls.deb = os.path.join(cls.scratch, debs[0])
        cls.root = os.path.join(cls.scratch, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True, timeout=60)
        # Nothing of the source tree or the build: only the unpacked package and the system.
        cls.env = {k: v for k, v in os.environ.items() if not k.startswith("WARBLER_")}
        cls.env.update(PYTHONPATH=os.path.join(cls.root, "usr", "lib", "python3", "dist-packages"),
                       HOME=cls.scratch, WARBLER_SETTINGS=os.path.join(cls.scratch, "settings.ini"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch)

    def test_metadata(self):
        fields = subprocess.run(["dpkg-deb", "-f", self.deb, "Package", "Depends", "Recommends"],
                                capture_output=True, text=True, check=True).stdout
        self.assertIn("Package: warbler", fields)
        for dependency in ("libcurl4", "libpugixml1v5", "python3"):
            self.assertIn(dependency, fields)
        self.assertIn("Recommends: python3-oauthlib", fields)
        # The extension is built for one interpreter's ABI.
        self.assertRegex(fields, r"python3 \(>= 3\.\d+~\), python3 \(<< 3\.\d+\)")

    def test_files_to_debian_standards(self):
        usr = os.path.join(self.root, "usr")
        for path in ("bin/warbler", "bin/warbler-sim", "lib/warbler/libwarbler.so", "lib/warbler/libwarbler_winhttp.so",
                     "share/doc/warbler/copyright", "share/doc/warbler/changelog.Debian.gz",
                     "share/man/man1/warbler.1.gz", "share/man/man1/warbler-sim.1.gz",
                     "share/bash-completion/completions/warbler", "share/lintian/overrides/warbler"):
            self.assertTrue(os.path.isfile(os.path.join(usr, path)), path)
        # The libraries are private: nothing in the linker's folders.
        self.assertFalse([f for f in os.listdir(os.path.join(usr, "lib")) if f.endswith(".so")])
        with open(os.path.join(self.root, "etc", "velmora", "warbler-suite.ini")) as f:
            self.assertIn("CacheTimeoutSeconds=60", f.read())
        conffiles = subprocess.run(["dpkg-deb", "--ctrl-tarfile", self.deb], capture_output=True, check=True).stdout
        self.assertIn(b"/etc/velmora/warbler-suite.ini", conffiles)
        # Stripped: no symbol table, no debug information.
        package = os.path.join("lib", "python3", "dist-packages", "warbler")
        extension = [f for f in os.listdir(os.path.join(usr, package)) if f.startswith("_native.")]
        self.assertEqual(len(extension), 1, extension)
        for binary in ("bin/warbler", "lib/warbler/libwarbler.so", "lib/warbler/libwarbler_winhttp.so",
                       os.path.join(package, extension[0])):
            sections = subprocess.run(["readelf", "-S", "-W", os.path.join(usr, binary)], capture_output=True,
                                      text=True, check=True).stdout
            self.assertNotIn(".symtab", sections, binary)
            self.assertNotIn(".debug_info", sections, binary)
        # The manual pages tell what the help tells: every command, the exit status, the files.
        page = subprocess.run(["zcat", os.path.join(usr, "share/man/man1/warbler.1.gz")], capture_output=True,
                              text=True, check=True).stdout
        for words in ("Exit status:", ".SH FILES", ".SH ENVIRONMENT", "Usage: warbler timeline",
                      "Usage: warbler authorize", "Usage: warbler errors"):
            self.assertIn(words, page)
        sim_page = subprocess.run(["zcat", os.path.join(usr, "share/man/man1/warbler-sim.1.gz")],
                                  capture_output=True, text=True, check=True).stdout
        self.assertIn("\\fB\\-\\-page\\-size\\fR", sim_page)

    def test_documentation_and_version(self):
        doc = os.path.join(self.root, "usr", "share", "doc", "warbler")
        for path in ("README.md", "examples/python/timeline.py", "examples/windows/Timeline.vbs"):
            self.assertTrue(os.path.isfile(os.path.join(doc, path)), path)
        version = subprocess.run(["dpkg-deb", "-f", self.deb, "Version"], capture_output=True, text=True,
                                 check=True).stdout.strip()
        said = subprocess.run([os.path.join(self.root, "usr", "bin", "warbler"), "--version"], capture_output=True,
                              text=True, env=self.env, timeout=60).stdout
        self.assertEqual(said, "warbler %s (component 2.0-beta (x64))\n" % version.split("-")[0])

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("py3compile"), "installing needs root and py3compile")
    def test_install_import_and_purge_leave_nothing(self):
        if subprocess.run(["dpkg-query", "-W", "warbler"], capture_output=True).returncode == 0:
            self.skipTest("a warbler package is installed on this machine already")
        site = "/usr/lib/python3/dist-packages"
        try:
            done = subprocess.run(["dpkg", "-i", self.deb], capture_output=True, text=True, timeout=300)
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            # Compiled at installation: importing writes nothing new.
            self.assertTrue(os.path.isdir(os.path.join(site, "warbler", "__pycache__")))
            used = subprocess.run(["/usr/bin/python3", "-c", "import warbler, warbler_sim; print(warbler.Dispatch)"],
                                  env=self.env, cwd=self.scratch, capture_output=True, text=True, timeout=60)
            self.assertEqual(used.returncode, 0, used.stderr)
        finally:
            purged = subprocess.run(["dpkg", "--purge", "warbler"], capture_output=True, text=True, timeout=300)
        self.assertEqual(purged.returncode, 0, purged.stdout + purged.stderr)
        for left in ("warbler", "warbler_sim"):
            self.assertFalse(os.path.exists(os.path.join(site, left)), left)
        self.assertFalse(os.path.exists("/usr/lib/warbler"))
        self.assertFalse(os.path.exists("/usr/share/doc/warbler"))

    @unittest.skipUnless(shutil.which("lintian"), "lintian is not installed")
    def test_lintian_accepts_the_package(self):
        done = subprocess.run(["lintian", "--fail-on", "error,warning", self.deb], capture_output=True, text=True,
                              timeout=300)
        reported = [line for line in done.stdout.splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual((done.returncode, reported), (0, []), done.stdout + done.stderr)

    def test_everything_works_from_elsewhere(self):
        usr = os.path.join(self.root, "usr")
        sim = subprocess.Popen(["/usr/bin/python3", os.path.join(usr, "bin", "warbler-sim"), "--port", "0"],
                               env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                               cwd=self.scratch)
        try:
            base = sim.stdout.readline().split(" at ")[-1].strip()
            credentials = dict(sim.stdout.readline().strip().split("=", 1) for _ in range(4))
            host = base.split("//")[1].rstrip("/")
            env = dict(self.env, WARBLER_API_HOST=host, WARBLER_OAUTH_HOST=host)
            keys = os.path.join(self.scratch, "keys.ini")
            with open(keys, "w") as f:
                f.write("[ConsumerTokenPair]\nConsumerToken=%(consumer_key)s\nConsumerSecret=%(consumer_secret)s\n"
                        "[AccessTokenPair]\nAccessToken=%(access_token)s\nAccessSecret=%(access_token_secret)s\n"
                        % credentials)
            command = subprocess.run([os.path.join(usr, "bin", "warbler"), "--keys", keys, "timeline", "public",
                                      "--count", "2", "--format", "tsv"],
                                     env=env, capture_output=True, text=True, timeout=60, cwd=self.scratch)
            self.assertEqual(command.returncode, 0, command.stderr)
            self.assertEqual(len(command.stdout.splitlines()), 2)
            script = ("import warbler\n"
                      "t = warbler.Dispatch('Velmora.Twitter')\n"
                      "t.LoadConsumerKey(%r); t.LoadAccessKey(%r)\n"
                      "print(t.FindFirstTweet('home').User.ScreenName != '', t.LastError)\n"
                      "print(warbler._automation._library_path())\n" % (keys, keys))
            python = subprocess.run(["/usr/bin/python3", "-c", script], env=env, capture_output=True, text=True,
                                    timeout=60, cwd=self.scratch)
            self.assertEqual(python.returncode, 0, python.stderr)
            lines = python.stdout.splitlines()
            self.assertEqual(lines[0], "True 0")
            self.assertEqual(lines[1], os.path.join(usr, "lib", "warbler", "libwarbler.so"))
            # The settings file is the package's: creating objects wrote nothing.
            self.assertFalse(os.path.exists(self.env["WARBLER_SETTINGS"]))
        finally:
            sim.terminate()
            sim.wait(timeout=10)
            sim.stdout.close()


if __name__ == "__main__":
    unittest.main()
