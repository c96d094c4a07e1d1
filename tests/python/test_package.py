"""The warbler Python package over libwarbler.so, against the service simulator."""

import functools
import gc
import http.server
import itertools
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from support import PACKAGE, PackageTestCase, Simulator

import warbler


class PackageTest(PackageTestCase):
    def setUp(self):
        super().setUp()
        self.twitter = warbler.Dispatch("Velmora.Twitter")
        self.twitter.LogFile = self.log
        self.twitter.ConsumerKey = self.sim.credentials["consumer_key"]
        self.twitter.ConsumerSecret = self.sim.credentials["consumer_secret"]

    def tearDown(self):
        del self.twitter
        gc.collect()
        self.folder.cleanup()

    def test_members(self):
        t = self.twitter
        self.assertEqual((t.Version, t.Build, t.Module), ("2.0-beta (x64)", "2.0.10.816 (x64)", "Warblerx64.dll"))
        t.proxyserver = "127.0.0.1:3128"
        self.assertEqual(t.ProxyServer, "127.0.0.1:3128")
        with self.assertRaises(AttributeError):
            t.Version = "x"
        with self.assertRaises(AttributeError):
            t.NoSuchThing
        with self.assertRaises(TypeError):
            t.GetErrorDescription()
        with self.assertRaises(warbler.ComError) as caught:
            t.GetErrorDescription("not a number")
        self.assertEqual(caught.exception.hresult, 0x80020005)
        t.Clear()
        self.assertEqual(t.ProxyServer, "")
        self.assertEqual(t.LogFile, self.log)

    def test_only_the_creating_thread_may_call(self):
        failure = []

        def use():
            try:
                self.twitter.Version
            except RuntimeError as error:
                failure.append(error)

        worker = threading.Thread(target=use)
        worker.start()
        worker.join()
        self.assertEqual(len(failure), 1)

    def test_a_text_holding_nul_is_refused_and_nothing_goes_out(self):
        t = self.twitter
        t.AccessToken, t.AccessTokenSecret = (self.sim.credentials[k] for k in ("access_token", "access_token_secret"))
        saved = os.path.join(self.folder.name, "keys")
        before = len(self.sim.requests_logged())
        for call in (lambda: t.Tweet("a\x00b"), lambda: t.DirectTweet("hi", "a\x00b"),
                     lambda: t.SaveAccessKey(saved + "\x00.txt"), lambda: setattr(t, "AccessToken", "a\x00b")):
            with self.assertRaises(warbler.ComError) as caught:
                call()
            self.assertEqual(caught.exception.hresult, 0x80070057)
        self.assertEqual(len(self.sim.requests_logged()), before)
        self.assertEqual([n for n in os.listdir(self.folder.name) if n.startswith("keys")], [])
        self.assertEqual(t.AccessToken, self.sim.credentials["access_token"])


# Loads the transport with a small reply, then limits its own address space to 24 MiB more and
# asks for a 64 MiB reply: it must end as a transport failure, not take the process down.
CHILD = r"""
import resource, sys, warbler
t = warbler.Dispatch("Velmora.Twitter")
t.APICall(sys.argv[1] + "small", "xml")
with open("/proc/self/status") as status:
    size = next(int(line.split()[1]) for line in status if line.startswith("VmSize:")) * 1024
resource.setrlimit(resource.RLIMIT_AS, (size + (24 << 20), size + (24 << 20)))
t.APICall(sys.argv[1] + "large", "xml")
print(t.LastError)
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # the client that gave up resets the connection


class MemoryLimitTest(unittest.TestCase):
    @unittest.skipIf("libasan" in os.environ.get("LD_PRELOAD", ""), "the sanitizer needs the address space")
    def test_a_reply_beyond_the_memory_limit_is_a_transport_failure(self):
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "small.xml"), "w") as small:
                small.write("<a/>")
            with open(os.path.join(folder, "large.xml"), "w") as large:
                large.write("<a>" + "x" * (64 << 20) + "</a>")
            server = QuietServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=folder))
            threading.Thread(target=server.serve_forever, daemon=True).start()
            try:
                done = subprocess.run([sys.executable, "-c", CHILD, "http://127.0.0.1:%d/" % server.server_port],
                                      capture_output=True, text=True, timeout=120,
                                      env=dict(os.environ, PYTHONPATH=PACKAGE))
            finally:
                server.shutdown()
                server.server_close()
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout.split(), ["35014"])


class InterruptTest(unittest.TestCase):
    def test_ctrl_c_ends_a_waiting_call_and_the_object_goes_on(self):
        silent = socket.create_server(("127.0.0.1", 0))
        port = silent.getsockname()[1]
        accepted = []
        threading.Thread(target=lambda: accepted.append(silent.accept()), daemon=True).start()
        with tempfile.TemporaryDirectory() as folder:
            t = warbler.Dispatch("Velmora.Twitter")
            t.LogFile = os.path.join(folder, "warbler.log")
            timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
            timer.start()
            started = time.monotonic()
            try:
                with self.assertRaises(KeyboardInterrupt):
                    t.APICall("http://127.0.0.1:%d/silent" % port, "xml")
            finally:
                timer.cancel()
                silent.close()
            # The receive time-out is 10 s: the call ended on the signal, not on the wait.
            self.assertLess(time.monotonic() - started, 5)
            self.assertEqual(t.LastError, 35014)  # APICall's code for any transport failure
            with open(t.LogFile, encoding="utf-8") as log:
                self.assertRegex(log.read(), r"\[12017: the operation was cancelled\].*interrupted")
            self.assertEqual(t.GetErrorDescription(0), "Success")
            # The next call runs, and waits again (its own failure: nobody listens now).
            self.assertEqual(t.APICall("http://127.0.0.1:%d/closed" % port, "xml"), "")
            self.assertEqual(t.LastError, 35014)


class ThreadsTest(unittest.TestCase):
    def test_a_call_lets_other_threads_run(self):
        # The server is a thread of this process: it answers only if the call gives up the
        # interpreter while it waits.
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "reply.xml"), "w") as reply:
                reply.write("<served/>")
            server = QuietServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=folder))
            threading.Thread(target=server.serve_forever, daemon=True).start()
            try:
                t = warbler.Dispatch("Velmora.Twitter")
                self.assertEqual(t.APICall("http://127.0.0.1:%d/reply" % server.server_port, "xml"), "<served/>")
                self.assertEqual(t.LastError, 0)
            finally:
                server.shutdown()
                server.server_close()


class WalkTest(PackageTestCase):
    """The Pythonic walks over pages of 20, as the service served them."""

    SIMULATOR_ARGS = ("--page-size", "20")

    def tearDown(self):
        gc.collect()
        self.folder.cleanup()

    def test_a_failure_mid_walk_raises_after_the_pages_walked(self):
        sim = Simulator("--page-size", "20")
        os.environ["WARBLER_API_HOST"] = sim.host_port()
        try:
            t = warbler.Dispatch("Velmora.Twitter")
            walked = []
            with self.assertRaises(warbler.WarblerError) as raised:
                for user in t.followers("warbler_demo"):
                    walked.append(user)
                    sim.process.terminate()
                    sim.process.wait()
        finally:
            os.environ["WARBLER_API_HOST"] = self.sim.host_port()
            sim.stop()
        self.assertEqual(len(walked), 20)
        error = raised.exception
        self.assertNotIn(error.code, (0, 25016))
        # No reply came: the transport says why, and so does the exception's text.
        self.assertEqual(error.http_status, 0)
        self.assertIn("12029", error.failure)
        self.assertEqual(str(error), "%d %s: %s" % (error.code, t.GetErrorDescription(error.code), error.failure))

    def test_a_refusal_carries_the_status_and_the_services_words(self):
        t = warbler.Dispatch("Velmora.Twitter")
        with self.assertRaises(warbler.WarblerError) as raised:
            list(t.followers("nobody_here"))
        self.assertEqual((raised.exception.code, raised.exception.http_status, raised.exception.service_message),
                         (35008, 404, "Not found"))
        self.assertTrue(str(raised.exception).endswith("(HTTP 404: Not found)"))
        # The object that walked was the generator's own; a script's own calls read the same account.
        c = self.sim.credentials
        t.ConsumerKey, t.ConsumerSecret = c["consumer_key"], c["consumer_secret"]
        t.AccessToken, t.AccessTokenSecret = c["access_token"], c["access_token_secret"]
        t.Tweet("x" * 141)
        self.assertEqual((t.last_http_status, t.last_service_message, t.last_failure),
                         (403, "Status is over 140 characters.", ""))
        # The interface's description of a refused post is fixed; the service's words say why.
        t.Tweet("Said once")
        t.Tweet("Said once")
        self.assertEqual((t.LastError, t.last_http_status, t.last_service_message),
                         (35009, 403, "Status is a duplicate."))

    def test_walks_as_generators_and_plain_keywords(self):
        t = warbler.Dispatch("Velmora.Twitter")
        c = self.sim.credentials
        t.ConsumerKey, t.ConsumerSecret = c["consumer_key"], c["consumer_secret"]
        t.AccessToken, t.AccessTokenSecret = c["access_token"], c["access_token_secret"]
        statuses = list(t.timeline("public", count=5))
        self.assertEqual(len(statuses), 5)
        self.assertTrue(all(s.Id and s.User.ScreenName for s in statuses))
        self.assertEqual(len(list(t.friends())), 45)  # the simulator's pages of 20, walked on
        followers = list(t.followers("warbler_demo"))
        self.assertEqual(len({f.Id for f in followers}), 52)
        self.assertEqual([u.ScreenName for u in t.search("fan", per_page=3, page=2)], ["fan_04", "fan_05", "fan_06"])
        self.assertEqual(list(t.search("nobody-is-called-this")), [])
        # Each walk has its own list, whatever else the script walks or calls meanwhile.
        friends = [u.Id for u in t.friends()]
        outer, both = [], 0
        # Bounded: walks that shared their list would go round for ever.
        for i, follower in enumerate(itertools.islice(t.followers("warbler_demo"), 60)):
            outer.append(follower.Id)
            if i < 3:
                self.assertEqual([u.Id for u in t.friends()], friends)
            both += follower.Id in friends
            t.FindFirstFriend("warbler_demo")
        self.assertEqual(outer, [f.Id for f in followers])
        pairs = list(zip(t.friends(), t.followers("warbler_demo")))
        self.assertEqual(([a.Id for a, _ in pairs], [b.Id for _, b in pairs]), (friends, outer[:45]))
        statuses = []
        for status in t.timeline("public", count=5):
            statuses.append(status.Id)
            t.FindFirstTweet("public", count=2)
        self.assertEqual(len(statuses), 5)
        # The component's own walk is unchanged: one list of each kind per object.
        self.assertEqual(t.FindFirstFollower("warbler_demo").Id, outer[0])
        self.assertEqual(t.FindFirstFriend().Id, friends[0])
        self.assertEqual(t.FindNextUser().Id, friends[1])
        # Keywords by the interface's names or by their plain snake_case names.
        self.assertEqual(t.FindFirstTweet("public", count=2).Id, t.FindFirstTweet("public", lCount=2).Id)
        self.assertEqual(t.FindFirstUser(query="fan", per_page=1).ScreenName, "fan_01")
        posted = t.Tweet(message="By its plain keyword")
        self.assertRegex(t.DirectTweet("thanks", to="alice", reply_id=posted), r"^\d+$")
        with self.assertRaisesRegex(TypeError, "got argument 'lcount' twice"):
            t.FindFirstTweet("public", count=1, lcount=2)
        with self.assertRaisesRegex(TypeError, r"unexpected arguments \['counts'\]"):
            t.FindFirstTweet("public", counts=1)


if __name__ == "__main__":
    unittest.main()
