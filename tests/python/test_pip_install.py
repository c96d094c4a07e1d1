"""The package as a Python user installs it: pip builds a wheel from the source tree (nothing
downloaded), installs it into fresh virtual environments, the package works from elsewhere
against the simulator, and pip uninstall leaves nothing."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from support import ROOT, Simulator

BUILD_DIR = os.environ.get("WARBLER_BUILD_DIR", "")
CALL = """
import os, warbler
t = warbler.Dispatch("Velmora.Twitter")
print(t.FindFirstTweet("public", count=1).User.ScreenName != "", t.LastError)
print(os.path.dirname(warbler.__file__))
"""


class PipInstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="warbler-pip-")
        # The wheel from the build tree the other tests use: built for this interpreter already.
        env = dict(os.environ, WARBLER_CMAKE_BUILD=BUILD_DIR)
        subprocess.run([sys.executable, "-m", "pip", "wheel", "--no-build-isolation", "--no-index", "--no-deps",
                        "-q", "-w", cls.scratch, ROOT], env=env, check=True, capture_output=True, timeout=300)
        cls.wheel = [os.path.join(cls.scratch, f) for f in os.listdir(cls.scratch) if f.endswith(".whl")][0]
        cls.sim = Simulator()

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()
        shutil.rmtree(cls.scratch)

    def venv(self, *options):
        folder = tempfile.mkdtemp(dir=self.scratch)
        subprocess.run([sys.executable, "-m", "venv", *options, folder], check=True, timeout=120)
        return os.path.join(folder, "bin", "python")

    def pip(self, python, *args):
        return subprocess.run([python, "-m", "pip", "--disable-pip-version-check", "--no-input", *args],
                              capture_output=True, text=True, timeout=300)

    def test_install_use_and_uninstall_leave_nothing(self):
        self.assertRegex(os.path.basename(self.wheel), r"^warbler-\d+\.\d+\.\d+-cp3\d+-cp3\d+-linux_\w+\.whl$")
        for options in ((), ("--system-site-packages",)):
            python = self.venv(*options)
            installed = self.pip(python, "install", "--no-index", self.wheel)
            self.assertEqual(installed.returncode, 0, installed.stderr)
            shown = self.pip(python, "show", "-f", "warbler").stdout
            self.assertRegex(shown, r"(?m)^Version: \d+\.\d+\.\d+$")
            for name in ("warbler/lib/libwarbler.so", "warbler/lib/libwarbler_winhttp.so", "warbler/__init__.pyi",
                         "warbler/_help.py", "warbler/py.typed"):
                self.assertIn(name, shown, options)
            env = {k: v for k, v in os.environ.items() if not k.startswith(("WARBLER_", "PYTHON"))}
            env.update(WARBLER_API_HOST=self.sim.host_port(), HOME=self.scratch)
            used = subprocess.run([python, "-c", CALL], env=env, cwd=self.scratch, capture_output=True, text=True,
                                  timeout=60)
            self.assertEqual(used.returncode, 0, used.stderr)
            lines = used.stdout.splitlines()
            self.assertEqual(lines[0], "True 0")
            site = lines[1]
            self.assertTrue(site.startswith(os.path.dirname(os.path.dirname(python))), site)
            removed = self.pip(python, "uninstall", "-y", "warbler")
            self.assertEqual(removed.returncode, 0, removed.stderr)
            self.assertFalse(os.path.exists(site), os.listdir(site) if os.path.exists(site) else None)
            self.assertFalse([f for f in os.listdir(os.path.dirname(site)) if f.startswith("warbler")])


if __name__ == "__main__":
    unittest.main()
