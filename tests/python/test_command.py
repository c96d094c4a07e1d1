"""The warbler command against the simulator: authorization, each subcommand's output in its three
formats, and the exit codes of each class of failure."""

import http.server
import json
import os
import stat
import subprocess
import tempfile
import threading
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

    def authorize(self, args, env=None, approver="", while_waiting=None):
        """`warbler authorize` with args: the page it prints is approved (as approver, when
        given) and the PIN typed; while_waiting(process) runs while it waits for the PIN."""
        process = subprocess.Popen([COMMAND] + args, env=env or self.env, text=True, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            url = process.stdout.readline().strip()
            self.assertTrue(url.startswith("http://"), url)
            if while_waiting:
                while_waiting(process)
            who = "&screen_name=" + approver if approver else ""
            with urllib.request.urlopen(url + "&approve=1%s&format=text" % who, timeout=10) as page:
                verifier = page.read().decode().split("oauth_verifier=")[1]
            out, err = process.communicate(verifier + "\n", timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
        return process.returncode, out, err

    def test_authorize_reads_the_pin_and_saves_private_keys(self):
        c = self.sim.credentials
        code, out, err = self.authorize(["authorize", "--consumer-key", c["consumer_key"], "--consumer-secret",
                                         c["consumer_secret"]], approver="alice")
        self.assertEqual(code, 0, err)
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
        self.assertRegex(lines[0], r"^\d+  \w{3} \w{3} \d\d \d\d:\d\d:\d\d \+0000 \d{4}  @\w+ +\S")
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

    def test_output_that_cannot_be_written_fails_the_run(self):
        for args in (("timeline", "home", "--count", "3"), ("friends",), ("errors",)):
            with open("/dev/full", "w") as full:
                done = subprocess.run([COMMAND, "--keys", self.keys, *args], env=self.env, stdout=full,
                                      stderr=subprocess.PIPE, text=True, timeout=60, stdin=subprocess.DEVNULL)
            self.assertEqual(done.returncode, 1, args)
            self.assertRegex(done.stderr, r"^warbler: could not write the output(: No space left on device)?\n$")

    def test_posting_and_following(self):
        posted = json.loads(self.run_command("tweet", "From the command line", "--format", "json").stdout)
        self.assertRegex(posted["id"], r"^\d+$")
        self.assertIs(posted["posted"], True)
        tsv = self.run_command("tweet", "Tab-separated", "--format", "tsv").stdout
        self.assertRegex(tsv, r"^\d+\tposted\n$")
        # The name with or without its "@": the component puts one before it.
        replied = self.run_command("reply", "--to", "@alice", "--status-id", posted["id"], "Thanks")
        self.assertRegex(replied.stdout, r"^posted \d+\n$")
        latest = self.run_command("timeline", "warbler_demo", "--count", "1", "--format", "json").stdout
        self.assertEqual(json.loads(latest)["text"], "@alice Thanks")
        self.assertEqual(self.run_command("follow", "fan_03").stdout, "followed fan_03\n")
        self.assertEqual(self.run_command("unfollow", "fan_03", "--format", "tsv").stdout, "unfollowed\tfan_03\n")
        xml = self.run_command("call", "statuses/show/%s" % posted["id"])
        self.assertIn("<text>From the command line</text>", xml.stdout)
        sent = self.run_command("call", "statuses/update", "-d", "status=Called with -d", "--post")
        self.assertIn("<text>Called with -d</text>", sent.stdout)
        # What the parameter text cannot carry is refused, never posted cut.
        for args, why in ((("-d", "status=e=mc2 ok"), 'the value of status holds "&" or "="'),
                          (("-d", "status=a&b"), 'the value of status holds "&" or "="'),
                          (("status=e=mc2 ok",), 'the value of status holds "="'),
                          (("-d", "novalue"), "-d takes NAME=VALUE, not novalue")):
            refused = self.run_command("call", "statuses/update", "--post", *args)
            self.assertEqual(refused.returncode, 2, args)
            self.assertIn(why, refused.stderr)
            self.assertIn("nothing was sent", refused.stderr)

    def test_failures_say_their_code_and_class(self):
        absent = os.path.join(self.home.name, "absent.ini")
        offline = dict(self.env, WARBLER_API_HOST="127.0.0.1:1")
        wrong = os.path.join(self.home.name, "wrong.ini")
        consumer_only = os.path.join(self.home.name, "consumer-only.ini")
        with open(self.keys) as f, open(wrong, "w") as g, open(consumer_only, "w") as h:
            text = f.read()
            g.write(text.replace("AccessSecret=", "AccessSecret=x"))
            h.write(text[:text.index("[AccessTokenPair]")])
        # What the user does, the exit code, and the words on standard error.
        cases = [
            (["frobnicate"], None, 2, "warbler: unknown command 'frobnicate'; the commands are "),
            (["tweet", ""], None, 2, "TEXT: must not be empty"),
            (["follow", ""], None, 2, "USER: must not be empty"),
            (["timeline", "--count", "-5"], None, 2, "--count: Value -5 not in range 0 to "),
            (["--keys", absent, "timeline"], None, 3, "warbler: 35019 Could not find the specified key file.\n"),
            (["--keys", consumer_only, "timeline"], None, 3,
             "warbler: 35020 The specified key file is empty.\nwarbler: the key file has no access pair: "
             "run warbler authorize\n"),
            (["--keys", wrong, "timeline"], None, 3, "warbler: HTTP 401; the service says: Could not "
                                                     "authenticate with OAuth.\n"),
            (["tweet", "x" * 141], None, 4, "warbler: 35009 Your Tweet is too long. A Tweet can be 140 "
                                            "characters long\nwarbler: HTTP 403; the service says: Status is "
                                            "over 140 characters.\n"),
            (["unfollow", "fan_44"], None, 4, "warbler: HTTP 403; the service says: You are not friends with "
                                              "the specified user.\n"),
            (["call", "statuses/show/999"], None, 4, "warbler: 35005 An unexpected HTTP response code was "
                                                     "returned\nwarbler: HTTP 404; the service says: "),
            (["timeline"], offline, 5, "warbler: 35014 Unexpected error: Request to [127.0.0.1:1] failed in "
                                       "WinHttpSendRequest: [12029: the connection to the server failed] ("),
        ]
        for args, env, exit_code, words in cases:
            keys = "--keys" not in args
            done = self.run_command(*args, keys=keys, env=env)
            self.assertEqual(done.returncode, exit_code, (args, done.stderr))
            self.assertIn(words, done.stderr, args)
        log = os.path.join(self.home.name, "trace.log")
        self.run_command("--log", log, "timeline", env=offline)
        with open(log) as trace:
            self.assertIn("FindFirstTweet result: [35014: Unexpected error]", trace.read())
        # The lists the service serves unsigned need no key file.
        for args in (("timeline", "public", "--count", "2"), ("followers", "warbler_demo")):
            served = self.run_command("--keys", absent, *args, keys=False)
            self.assertEqual((served.returncode, served.stderr), (0, ""), args)
            self.assertTrue(served.stdout)
        empty = self.run_command("search", "nobody-is-called-this")
        self.assertEqual((empty.returncode, empty.stdout, empty.stderr),
                         (0, "", "warbler: no users found for 'nobody-is-called-this'\n"))

    def test_a_refusing_proxy_is_named(self):
        class Refuser(http.server.BaseHTTPRequestHandler):
            def refuse(self):
                status = 407 if self.command == "GET" else 403
                self.send_response(status)
                if status == 407:
                    self.send_header("Proxy-Authenticate", 'Basic realm="proxy"')
                self.send_header("Content-Length", "0")
                self.end_headers()

            do_GET = do_POST = refuse

            def log_message(self, *args):
                pass

        proxy = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Refuser)
        threading.Thread(target=proxy.serve_forever, daemon=True).start()
        at = "127.0.0.1:%d" % proxy.server_port
        try:
            for args in (("timeline",), ("--proxy-user", "me", "timeline")):
                done = self.run_command("--proxy", at, *args, env=dict(self.env, WARBLER_PROXY_PASSWORD="pw"))
                self.assertEqual(done.returncode, 3, done.stderr)
                self.assertIn("warbler: the proxy refused (HTTP 407): it wants credentials, or those given are "
                              "wrong", done.stderr)
            done = self.run_command("--proxy", at, "tweet", "Through a proxy that says no")
            self.assertEqual(done.returncode, 4, done.stderr)
            self.assertIn("warbler: HTTP 403 with no words of the service: the proxy may be the one that refused",
                          done.stderr)
        finally:
            proxy.shutdown()
            proxy.server_close()

    def test_version_help_and_the_key_file_place(self):
        version = self.run_command("--version", keys=False)
        self.assertRegex(version.stdout, r"^warbler \d+\.\d+\.\d+ \(component 2\.0-beta \(x64\)\)\n$")
        helped = self.run_command("--help", keys=False).stdout
        for words in ("Exit status:\n  0 success; 2 usage; 3 credentials", "6 the keys just authorized",
                      "$XDG_CONFIG_HOME/warbler/keys.ini", "WARBLER_CONSUMER_SECRET"):
            self.assertIn(words, helped)
        sub = self.run_command("timeline", "--help", keys=False).stdout
        self.assertIn("Global options go before the command: --keys FILE", sub)
        self.assertIn("Example: warbler timeline home --count 5", sub)
        self.assertNotIn("INT:INT", sub + helped)
        config = os.path.join(self.home.name, "xdg")
        os.makedirs(os.path.join(config, "warbler"))
        with open(self.keys) as f, open(os.path.join(config, "warbler", "keys.ini"), "w") as g:
            g.write(f.read())
        found = self.run_command("timeline", "--count", "1", keys=False,
                                 env=dict(self.env, XDG_CONFIG_HOME=config))
        self.assertEqual(found.returncode, 0, found.stderr)

    def test_tsv_fields_are_escaped_alike(self):
        # A server that forges rows: a tab, a line feed, a carriage return and a backslash in
        # every field of a status and its author.
        forged = "a&#9;b&#10;c&#13;d\\e"
        reply = ("<statuses type=\"array\"><status><created_at>%s</created_at><id>%s</id><text>%s</text>"
                 "<user><id>%s</id><screen_name>%s</screen_name><name>%s</name><location>%s</location>"
                 "</user></status></statuses>" % ((forged,) * 7)).encode()

        class Forger(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *args):
                pass

        server = http.server.HTTPServer(("127.0.0.1", 0), Forger)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            env = dict(self.env, WARBLER_API_HOST="127.0.0.1:%d" % server.server_port)
            rows = self.run_command("timeline", "--format", "tsv", env=env).stdout
        finally:
            server.shutdown()
        self.assertEqual(rows.count("\n"), 1, rows)
        self.assertEqual(rows.rstrip("\n").split("\t"), ["a\\tb\\nc\\rd\\\\e"] * 4)

    def test_keys_that_cannot_be_saved_are_not_lost_and_the_secret_stays_off_the_command_line(self):
        c = self.sim.credentials

        def read_its_command_line(process):
            # Another user reads the command line of the command waiting for the PIN.
            seen = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "cat",
                                   "/proc/%d/cmdline" % process.pid], capture_output=True, timeout=10)
            self.assertEqual(seen.returncode, 0, seen.stderr)
            self.assertIn(b"authorize", seen.stdout)
            self.assertNotIn(c["consumer_secret"].encode(), seen.stdout)

        keys = os.path.join(self.home.name, "no", "such", "folder", "keys.ini")
        code, out, err = self.authorize(["--keys", keys, "authorize", "--consumer-key", c["consumer_key"]],
                                        env=dict(self.env, WARBLER_CONSUMER_SECRET=c["consumer_secret"]),
                                        while_waiting=read_its_command_line)
        self.assertEqual(code, 6, err)
        self.assertIn("the keys could not be saved to %s: No such file or directory" % keys, err)
        self.assertRegex(out, r"\[AccessTokenPair\]\nAccessToken=\d+-\w+\nAccessSecret=\w+\n")
        saved = os.path.join(self.home.name, "rescued.ini")
        with open(saved, "w") as f:
            f.write(out)
        me = self.run_command("--keys", saved, "call", "account/verify_credentials", "--format", "json",
                              keys=False)
        self.assertEqual(me.returncode, 0, me.stderr)


if __name__ == "__main__":
    unittest.main()
