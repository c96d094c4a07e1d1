"""The examples a user copies, run as they are against the simulator: authorize once, post, walk a
timeline, export followers to CSV; in Python and through the command."""

import csv
import os
import subprocess
import tempfile
import unittest
import urllib.request

from support import PACKAGE, ROOT, Simulator

COMMAND = os.environ.get("WARBLER_COMMAND", "warbler")


class ExamplesTest(unittest.TestCase):
    def setUp(self):
        self.sim = Simulator("--page-size", "20")
        self.folder = tempfile.TemporaryDirectory()
        self.keys = os.path.join(self.folder.name, "keys.ini")
        self.env = dict(os.environ, HOME=self.folder.name, WARBLER_KEYS=self.keys,
                        PYTHONPATH=PACKAGE,
                        PATH=os.path.dirname(COMMAND) + os.pathsep + os.environ["PATH"],
                        WARBLER_API_HOST=self.sim.host_port(), WARBLER_OAUTH_HOST=self.sim.host_port())

    def tearDown(self):
        self.sim.stop()
        self.folder.cleanup()

    def run_example(self, *args):
        done = subprocess.run([os.path.join(ROOT, "examples", *args[0].split("/"))] + list(args[1:]),
                              env=self.env, capture_output=True, text=True, timeout=60, cwd=self.folder.name)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout

    def authorize(self, example, *args):
        process = subprocess.Popen([os.path.join(ROOT, "examples", *example.split("/"))] + list(args),
                                   env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, cwd=self.folder.name)
        url = process.stdout.readline().strip().split()[-1]
        with urllib.request.urlopen(url + "&approve=1&format=text", timeout=10) as page:
            verifier = page.read().decode().split("oauth_verifier=")[1]
        out, err = process.communicate(verifier + "\n", timeout=60)
        self.assertEqual(process.returncode, 0, err)

    def check_flow(self, language):
        c = self.sim.credentials
        if language == "python":
            self.authorize("python/authorize.py", self.keys, c["consumer_key"], c["consumer_secret"])
            self.assertRegex(self.run_example("python/post.py", self.keys, "Copied and run"), r"posted status \d+")
            lines = self.run_example("python/timeline.py", self.keys, "home", "3").splitlines()
            exported = os.path.join(self.folder.name, "followers.csv")
            self.run_example("python/followers_csv.py", self.keys, exported)
        else:
            self.env["WARBLER_CONSUMER_SECRET"] = c["consumer_secret"]
            self.authorize("shell/authorize.sh", c["consumer_key"])
            self.assertRegex(self.run_example("shell/post.sh", "Copied and run"), r"posted \d+")
            lines = self.run_example("shell/timeline.sh", "home", "3").splitlines()
            exported = os.path.join(self.folder.name, "followers.csv")
            self.run_example("shell/followers_csv.sh", exported)
        self.assertEqual(len(lines), 3)
        self.assertIn("Copied and run", lines[0])
        with open(exported, newline="", encoding="utf-8") as f:
            rows = list(csv.reader(f))
        self.assertEqual(rows[0][:2], ["id", "screen_name"])
        self.assertEqual(len(rows), 53)  # the header and 52 followers, over three pages

    def test_python_examples(self):
        self.check_flow("python")
        done = subprocess.run([os.path.join(ROOT, "examples", "python", "followers_csv.py")], env=self.env,
                              capture_output=True, text=True, timeout=60)
        self.assertEqual((done.returncode, done.stderr),
                         (1, "usage: followers_csv.py KEYFILE OUTPUT.csv [USER]\n"))

    def test_shell_examples(self):
        self.check_flow("shell")
        # A failing walk keeps the last good export and says so by its exit code.
        exported = os.path.join(self.folder.name, "followers.csv")
        with open(exported) as f:
            good = f.read()
        done = subprocess.run([os.path.join(ROOT, "examples", "shell", "followers_csv.sh"), exported],
                              env=dict(self.env, WARBLER_API_HOST="127.0.0.1:1"), capture_output=True, text=True,
                              timeout=60, cwd=self.folder.name)
        self.assertEqual(done.returncode, 5, done.stderr)
        with open(exported) as f:
            self.assertEqual(f.read(), good)
        self.assertFalse([name for name in os.listdir(self.folder.name) if name.startswith("followers.csv.")])


if __name__ == "__main__":
    unittest.main()
