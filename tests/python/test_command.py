"""The warbler command against the simulator: authorization, each subcommand's output in its three
formats, and the exit codes of each class of failure."""

import json
import os
import stat
import subprocess
import tempfile
import unittest
import urllib.request

from support import Simulator

COMMAND = os.environ.get("WARBLER_COMMAND", "warbler")


class CommandTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator("--page-size", "20")
        cls.home = tempfile.TemporaryDirectory()
        cls.env = dict(os.environ, HOME=cls.home.name, WARBLER_API_HOST=cls.sim.host_port(),
                       WARBLER_OAUTH_HOST=cls.sim.host_port())
        cls.env.pop("WARBLER_KEYS", None)
        cls.keys = os.path.join(cls.home.name, "demo.ini")
        c = cls.sim.credentials
        with open(cls.keys, "w") as f:
            f.write("[ConsumerTokenPair]\nConsumerToken=%s\nConsumerSecret=%s\n[AccessTokenPair]\n"
                    "AccessToken=%s\nAccessSecret=%s\n" % (c["consumer_key"], c["consumer_secret"],
                                                          c["access_token"], c["access_token_secret"]))

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()
        cls.home.cleanup()

    def run_command(self, *args, keys=True, env=None):
        full = [COMMAND] + (["--keys", self.keys] if keys else []) + list(args)
        return subprocess.run(full, env=env or self.env, capture_output=True, text=True, timeout=60,
                               stdin=subprocess.DEVNULL)

    def test_authorize_reads_the_pin_and_saves_private_keys(self):
        c = self.sim.credentials
        process = subprocess.Popen([COMMAND, "authorize", "--consumer-key", c["consumer_key"],
                                    "--consumer-secret", c["consumer_secret"]], env=self.env, text=True,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        url = process.stdout.readline().strip()
        with urllib.request.urlopen(url + "&approve=1&screen_name=alice&format=text", timeout=10) as page:
            verifier = page.read().decode().split("oauth_verifier=")[1]
        out, err = process.communicate(verifier + "\n", timeout=60)
        self.assertEqual(process.returncode, 0, err)
        keys = os.path.join(self.home.name, ".config", "warbler", "keys.ini")
        self.assertIn("Authorized; the keys are in " + keys, err)
        self.assertEqual(stat.S_IMODE(os.stat(keys).st_mode), 0o600)
        self.assertEqual(stat.S_IMODE(os.stat(os.path.dirname(keys)).st_mode), 0o700)
        me = self.run_command("call", "account/verify_credentials", "--format", "json", keys=False)
        self.assertEqual(json.loads(me.stdout)["screen_name"], "alice")

    def test_lists_in_three_formats(self):
        human = self.run_command("timeline", "home", "--count", "3")
        self.assertEqual(human.returncode, 0, human.stderr)
        lines = human.stdout.splitlines()
        self.assertEqual(len(lines), 3)
        self.assertRegex(lines[0], r"^\w{3} \w{3} \d\d \d\d:\d\d:\d\d \+0000 \d{4}  @\w+ +\S")
        tsv = self.run_command("timeline", "alice", "--count", "2", "--format", "tsv").stdout.splitlines()
        self.assertEqual([len(line.split("\t")) for line in tsv], [4, 4])
        self.assertEqual({line.split("\t")[2] for line in tsv}, {"alice"})
        friends = [json.loads(line) for line in self.run_command("friends", "--format", "json").stdout.splitlines()]
        self.assertEqual(len(friends), 45)  # three cursor pages, streamed
        self.assertEqual(len({f["id"] for f in friends}), 45)
        followers = self.run_command("followers", "warbler_demo", "--format", "tsv").stdout.splitlines()
        self.assertEqual(len(followers), 52)
        found = self.run_command("search", "fan", "--per-page", "5", "--page", "2", "--format", "json")
        self.assertEqual([json.loads(line)["screen_name"] for line in found.stdout.splitlines()],
                         ["fan_%02d" % i for i in range(6, 11)])
        people = self.run_command("search", "fan", "--per-page", "2").stdout.splitlines()
        self.assertRegex(people[0], r"^@fan_01 +Fan 1 +\d+ followers, \d+ friends, Fan town$")

    def test_posting_and_following(self):
        posted = json.loads(self.run_command("tweet", "From the command line", "--format", "json").stdout)
        self.assertRegex(posted["posted"], r"^\d+$")
        replied = self.run_command("reply", "--to", "alice", "--status-id", posted["posted"], "Thanks")
        self.assertRegex(replied.stdout, r"^posted \d+\n$")
        latest = self.run_command("timeline", "warbler_demo", "--count", "1", "--format", "json").stdout
        self.assertEqual(json.loads(latest)["text"], "@alice Thanks")
        self.assertEqual(self.run_command("follow", "fan_03").stdout, "followed fan_03\n")
        self.assertEqual(self.run_command("unfollow", "fan_03", "--format", "tsv").stdout, "unfollowed\tfan_03\n")
        xml = self.run_command("call", "statuses/show/%s" % posted["posted"])
        self.assertIn("<text>From the command line</text>", xml.stdout)

    def test_failures_say_their_code_and_class(self):
        usage = self.run_command("no-such-command")
        self.assertEqual(usage.returncode, 2)
        missing = self.run_command("--keys", os.path.join(self.home.name, "absent.ini"), "timeline", keys=False)
        self.assertEqual((missing.returncode, missing.stderr),
                         (3, "warbler: 35019 Could not find the specified key file.\n"))
        refused = self.run_command("tweet", "x" * 141)
        self.assertEqual((refused.returncode, refused.stderr),
                         (4, "warbler: 35009 Your Tweet is too long. A Tweet can be 140 characters long\n"))
        offline = self.run_command("timeline", env=dict(self.env, WARBLER_API_HOST="127.0.0.1:1"))
        self.assertEqual((offline.returncode, offline.stderr), (5, "warbler: 35014 Unexpected error\n"))
        log = os.path.join(self.home.name, "trace.log")
        self.run_command("--log", log, "timeline", env=dict(self.env, WARBLER_API_HOST="127.0.0.1:1"))
        with open(log) as trace:
            self.assertIn("FindFirstTweet result: [35014: Unexpected error]", trace.read())


if __name__ == "__main__":
    unittest.main()
