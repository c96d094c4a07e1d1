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
from requests_oauthlib import OAuth1

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

    def test_replayed_nonce_is_refused(self):
        prepared = requests.Request("GET", self.sim.url("/1/account/verify_credentials.xml"),
                                    auth=self.auth).prepare()
        with requests.Session() as session:
            self.assertEqual(session.send(prepared, timeout=10).status_code, 200)
            self.assertEqual(session.send(prepared, timeout=10).status_code, 401)

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


if __name__ == "__main__":
    unittest.main()
