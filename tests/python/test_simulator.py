"""The service simulator against a client we did not write (python3-requests-oauthlib)."""

import os
import re
import shutil
import socket
import subprocess
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

import requests
from oauthlib.oauth1 import SIGNATURE_HMAC_SHA256, SIGNATURE_PLAINTEXT
from requests_oauthlib import OAuth1, OAuth1Session

import support
from support import Simulator

DATE = re.compile(r"^(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} \d{2} \d{2}:\d{2}:\d{2} \+0000 \d{4}$")
STATUS_FIELDS = ["created_at", "id", "text", "source", "truncated", "favorited", "in_reply_to_status_id",
                 "in_reply_to_user_id", "in_reply_to_screen_name", "user"]
USER_FIELDS = ["id", "name", "screen_name", "location", "description", "profile_image_url", "url",
               "protected", "followers_count", "friends_count", "statuses_count", "created_at"]


class SimulatorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator("--page-size", "20")
        c = cls.sim.credentials
        cls.auth = OAuth1(c["consumer_key"], c["consumer_secret"], c["access_token"], c["access_token_secret"])

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def call(self, method, path, signed=True, **kwargs):
        return requests.request(method, self.sim.url("/1/" + path + ".xml"),
                                auth=self.auth if signed else None, timeout=10, **kwargs)

    def xml(self, path, **params):
        reply = self.call("GET", path, params=params)
        self.assertEqual(reply.status_code, 200, reply.text)
        return ET.fromstring(reply.content)

    def assertError(self, reply, status, text):
        self.assertEqual(reply.status_code, status, reply.text)
        root = ET.fromstring(reply.content)
        self.assertEqual(root.tag, "hash")
        self.assertTrue(root.findtext("request").startswith("/1/"))
        self.assertEqual(root.findtext("error"), text)

    def assertStatusShape(self, status):
        self.assertEqual([child.tag for child in status if child.tag != "retweeted_status"], STATUS_FIELDS)
        self.assertRegex(status.findtext("created_at"), DATE)
        user = status.find("user")
        for field in USER_FIELDS:
            self.assertIsNotNone(user.find(field), field)
        self.assertRegex(user.findtext("created_at"), DATE)

    def test_timelines_have_the_v1_shape(self):
        for path in ["statuses/public_timeline", "statuses/home_timeline", "statuses/friends_timeline",
                     "statuses/mentions", "statuses/retweeted_by_me", "statuses/retweeted_to_me",
                     "statuses/retweets_of_me", "statuses/user_timeline"]:
            root = self.xml(path)
            self.assertEqual((root.tag, root.get("type")), ("statuses", "array"), path)
            self.assertGreater(len(root), 0, path)
            for status in root:
                self.assertStatusShape(status)
        mentions = self.xml("statuses/mentions")
        self.assertTrue(all("@warbler_demo" in s.findtext("text").lower() for s in mentions))
        own = self.xml("statuses/retweets_of_me")
        self.assertTrue(all(s.findtext("user/screen_name") == "warbler_demo" for s in own))

    def test_text_escaping_and_empty_elements(self):
        statuses = self.xml("statuses/user_timeline", screen_name="dave")
        # Status text as the service kept it: its angle brackets escaped once more.
        self.assertEqual(statuses[0].findtext("text"), "Line one\nline two & &lt;three&gt;")
        self.assertIn(b"line two &amp; &amp;lt;three&amp;gt;", self.call(
            "GET", "statuses/user_timeline", params={"screen_name": "dave"}).content)
        self.assertIn(b"&lt;a href=&quot;http://www.tweetdeck.com&quot;", self.call("GET", "statuses/user_timeline", params={"user_id": "783214"}).content)
        dave = self.call("GET", "users/show", params={"screen_name": "dave"}).content
        self.assertIn(b"<description></description>", dave)
        self.assertNotIn(b"/>", dave)
        self.assertIn(b"K&#248;benhavn", dave)
        dave.decode("ascii")  # every other character as a numeric reference
        self.assertEqual(self.xml("users/show", screen_name="dave").findtext("location"), "K\u00f8benhavn")
        self.assertEqual(self.xml("users/show", user_id="6253282").find("url").text, None)

    def test_protected_timeline_needs_a_follower(self):
        self.assertEqual(len(self.xml("statuses/user_timeline", screen_name="carol")), 1)
        self.assertError(self.call("GET", "statuses/user_timeline", signed=False, params={"screen_name": "carol"}),
                         401, "Not authorized")
        unsigned = self.call("GET", "statuses/user_timeline", signed=False, params={"screen_name": "alice"})
        self.assertEqual(unsigned.status_code, 200)

    def authorize(self, screen_name):
        """The access pair of another account, by the three-legged flow."""
        c = self.sim.credentials
        pair = OAuth1Session(c["consumer_key"], c["consumer_secret"], callback_uri="oob") \
            .fetch_request_token(self.sim.url("/oauth/request_token"))
        approval = requests.get(self.sim.url("/oauth/authorize"), timeout=10,
                                params={"oauth_token": pair["oauth_token"], "approve": "1",
                                        "screen_name": screen_name, "format": "text"})
        verifier = dict(p.split("=") for p in approval.text.split("&"))["oauth_verifier"]
        return OAuth1Session(c["consumer_key"], c["consumer_secret"], pair["oauth_token"],
                             pair["oauth_token_secret"], verifier=verifier) \
            .fetch_access_token(self.sim.url("/oauth/access_token"))

    def test_user_lists_as_the_service_served_them(self):
        # Public users' lists need no signature; a protected user's need one of a follower.
        public = self.call("GET", "statuses/friends", signed=False, params={"screen_name": "alice"})
        self.assertEqual(public.status_code, 200)
        self.assertError(self.call("GET", "statuses/followers", signed=False, params={"screen_name": "carol"}),
                         401, "Not authorized")
        self.assertEqual(self.call("GET", "statuses/followers", params={"screen_name": "carol"}).status_code, 200)
        c = self.sim.credentials
        bob = self.authorize("bob")
        as_bob = OAuth1(c["consumer_key"], c["consumer_secret"], bob["oauth_token"], bob["oauth_token_secret"])
        refused = requests.get(self.sim.url("/1/statuses/friends.xml"), params={"screen_name": "carol"},
                               auth=as_bob, timeout=10)
        self.assertError(refused, 401, "Not authorized")
        # Each entry carries the user's latest status.
        entries = ET.fromstring(public.content).findall("users/user")
        self.assertTrue(all(u.find("status") is not None for u in entries if u.findtext("screen_name") == "bob"))
        # The same user and application get the same pair again.
        self.assertEqual(self.authorize("bob"), bob)

    def test_default_page_size_is_the_services(self):
        sim = Simulator()
        try:
            reply = requests.get(sim.url("/1/statuses/friends.xml"), params={"screen_name": "warbler_demo"},
                                 timeout=10)
            root = ET.fromstring(reply.content)
            self.assertEqual((len(root.findall("users/user")), root.findtext("next_cursor")), (45, "0"))
        finally:
            sim.stop()

    def test_only_hmac_sha1_signatures(self):
        c = self.sim.credentials
        for method in (SIGNATURE_PLAINTEXT, SIGNATURE_HMAC_SHA256):
            auth = OAuth1(c["consumer_key"], c["consumer_secret"], c["access_token"], c["access_token_secret"],
                          signature_method=method)
            reply = requests.get(self.sim.url("/1/account/verify_credentials.xml"), auth=auth, timeout=10)
            self.assertError(reply, 401, "Could not authenticate with OAuth.")
            token = requests.post(self.sim.url("/oauth/request_token"), timeout=10,
                                  auth=OAuth1(c["consumer_key"], c["consumer_secret"], signature_method=method,
                                              callback_uri="oob"))
            self.assertEqual(token.status_code, 401, method)

    def test_json_replies(self):
        reply = requests.get(self.sim.url("/1/statuses/home_timeline.json"), params={"count": 2}, auth=self.auth,
                             timeout=10)
        self.assertEqual(reply.headers["Content-Type"], "application/json; charset=utf-8")
        statuses = reply.json()
        self.assertEqual(len(statuses), 2)
        self.assertIsInstance(statuses[0]["id"], int)
        self.assertEqual(statuses[0]["user"]["screen_name"], statuses[0]["user"]["screen_name"].strip())
        people = requests.get(self.sim.url("/1/statuses/friends.json"), params={"screen_name": "warbler_demo"},
                              auth=self.auth, timeout=10).json()
        self.assertEqual(people["next_cursor"], 1300000000000000020)
        missing = requests.get(self.sim.url("/1/users/show.json"), params={"screen_name": "nobody"},
                               auth=self.auth, timeout=10)
        self.assertEqual((missing.status_code, missing.json()["error"]), (404, "Not found"))

    def test_a_refused_large_post_is_answered(self):
        reply = self.call("POST", "statuses/update", data={"status": "x" * (2 << 20)})
        self.assertError(reply, 413, "Request body too large.")

    def test_authorize_page_errors_are_pages(self):
        unknown = requests.get(self.sim.url("/oauth/authorize"), params={"oauth_token": "nothing"}, timeout=10)
        self.assertEqual((unknown.status_code, unknown.headers["Content-Type"]), (400, "text/html; charset=utf-8"))
        c = self.sim.credentials
        pair = OAuth1Session(c["consumer_key"], c["consumer_secret"], callback_uri="oob") \
            .fetch_request_token(self.sim.url("/oauth/request_token"))
        approve = {"oauth_token": pair["oauth_token"], "approve": "1", "format": "text"}
        self.assertEqual(requests.get(self.sim.url("/oauth/authorize"), params=approve, timeout=10).status_code, 200)
        again = requests.get(self.sim.url("/oauth/authorize"), timeout=10, params=dict(approve, screen_name="bob"))
        self.assertEqual(again.status_code, 403)
        self.assertIn("already been approved", again.text)

    def test_replayed_nonce_is_refused(self):
        prepared = requests.Request("GET", self.sim.url("/1/account/verify_credentials.xml"),
                                    auth=self.auth).prepare()
        with requests.Session() as session:
            self.assertEqual(session.send(prepared, timeout=10).status_code, 200)
            self.assertEqual(session.send(prepared, timeout=10).status_code, 401)

    def test_callback_redirect_and_html_verifier(self):
        c = self.sim.credentials
        for callback in ["http://127.0.0.1:9/done?x=1", "oob"]:
            pair = OAuth1Session(c["consumer_key"], c["consumer_secret"], callback_uri=callback) \
                .fetch_request_token(self.sim.url("/oauth/request_token"))
            reply = requests.post(self.sim.url("/oauth/authorize"), allow_redirects=False, timeout=10,
                                  data={"oauth_token": pair["oauth_token"], "approve": "1"})
            if callback == "oob":
                self.assertEqual(reply.status_code, 200)
                self.assertRegex(reply.text, r'<code id="oauth_pin">[A-Za-z0-9]{20}</code>')
            else:
                self.assertEqual(reply.status_code, 302)
                self.assertRegex(reply.headers["Location"],
                                 r"^http://127\.0\.0\.1:9/done\?x=1&oauth_token=\w+&oauth_verifier=\w+$")

    def test_bad_input_never_takes_it_down(self):
        host, port = self.sim.base_url.split("//")[1].rstrip("/").split(":")
        with socket.create_connection((host, int(port)), timeout=10) as raw:
            raw.sendall(b"POST /1/statuses/update.xml HTTP/1.1\r\nHost: x\r\nContent-Length: 999999999\r\n\r\n")
            self.assertIn(b" 413 ", raw.recv(4096))
        with socket.create_connection((host, int(port)), timeout=10) as raw:
            raw.sendall(b"GARBAGE\r\n\r\n")
            raw.recv(4096)
        bad = self.call("POST", "statuses/update", signed=False, data=b"status=\xff\xfe%ZZ&&==",
                        headers={"Content-Type": "application/x-www-form-urlencoded",
                                 "Authorization": 'OAuth oauth_consumer_key="\xff", oauth_signature="%%"'})
        self.assertError(bad, 401, "Could not authenticate with OAuth.")
        self.assertError(self.call("GET", "no/such/method/here"), 404, "Not found")
        self.assertEqual(requests.get(self.sim.url("/elsewhere"), timeout=10).status_code, 404)
        self.assertEqual(self.call("GET", "statuses/home_timeline", params={"since_id": "9" * 40}).status_code, 400)
        self.assertEqual(self.xml("account/verify_credentials").findtext("screen_name"), "warbler_demo")
        logged = self.sim.requests_logged()
        self.assertTrue(any('"GET /1/account/verify_credentials.xml HTTP/1.1" 200' in line for line in logged))



    def test_hostile_input_is_refused_or_made_safe(self):
        # A control character is not kept: what was stored is served as XML any parser reads.
        posted = self.call("POST", "statuses/update", data={"status": "bell\u0007 and \ufffe ring"})
        self.assertEqual(posted.status_code, 200, posted.text)
        self.assertEqual(ET.fromstring(posted.content).findtext("text"), "bell and  ring")
        timeline = self.call("GET", "statuses/home_timeline")
        self.assertEqual(ET.fromstring(timeline.content).find("status").findtext("text"), "bell and  ring")
        self.assertError(self.call("POST", "statuses/update", data={"status": "\u0001\u0002"}), 400,
                         "Client must provide a 'status' parameter with a value.")
        # Numbers out of range are bad requests, never internal errors.
        for params in ({"page": "9999999999999999999"}, {"max_id": "-9999999999999999999"},
                       {"page": "999999999999999999", "count": "200"}):
            self.assertError(self.call("GET", "statuses/home_timeline", params=params), 400,
                             "Invalid %s parameter." % ("max_id" if "max_id" in params else "page"))
        self.assertEqual(self.call("GET", "users/search", params={"q": "a", "page": "999999999999999999"}).status_code,
                         400)
        # A callback that would split the redirect's head is refused.
        c = self.sim.credentials
        session = OAuth1Session(c["consumer_key"], c["consumer_secret"],
                                callback_uri="http://127.0.0.1:9/done\r\nSet-Cookie: evil=1")
        with self.assertRaises(Exception):
            session.fetch_request_token(self.sim.url("/oauth/request_token"))
        self.assertEqual(self.xml("account/verify_credentials").findtext("screen_name"), "warbler_demo")


class TlsTest(unittest.TestCase):
    def test_a_silent_client_holds_up_no_one(self):
        folder = tempfile.mkdtemp()
        try:
            subprocess.run([os.path.join(support.ROOT, "tests", "integration", "peers", "gen_certs.sh"), folder],
                           check=True, timeout=60)
            sim = Simulator("--tls", os.path.join(folder, "server.crt"), os.path.join(folder, "server.key"))
            try:
                host, port = sim.host_port().split(":")
                with socket.create_connection((host, int(port)), timeout=10):  # never says hello
                    started = time.monotonic()
                    reply = requests.get(sim.url("/1/statuses/public_timeline.xml"), timeout=5,
                                         verify=os.path.join(folder, "ca.crt"))
                    self.assertEqual(reply.status_code, 200)
                    self.assertLess(time.monotonic() - started, 5)
            finally:
                sim.stop()
        finally:
            shutil.rmtree(folder)


class NonceTableTest(unittest.TestCase):
    def test_nonces_outside_the_timestamp_window_are_forgotten(self):
        from warbler_sim.store import NONCE_LIFETIME, Store
        store = Store()
        now = int(time.time())
        self.assertTrue(store.use_nonce("key", str(now - NONCE_LIFETIME - 5), "old", ""))
        self.assertTrue(store.use_nonce("key", str(now), "fresh", ""))
        self.assertFalse(store.use_nonce("key", str(now), "fresh", ""))  # a replay is refused
        rows = store.all("SELECT nonce FROM nonces ORDER BY nonce")
        self.assertEqual([r[0] for r in rows], ["fresh"])


if __name__ == "__main__":
    unittest.main()
