"""Timelines, posting, following and the user lists through the package, against the simulator."""

import gc
import os
import re
import unittest
from urllib.parse import parse_qs, urlsplit

from support import PackageTestCase

import warbler

TIME = r"\[\d\d:\d\d:\d\d\] "
NOT_REFRESHING = re.compile(r"^Not refreshing, the current list is still valid for \[(\d+)\] seconds$")
FIRST_CURSOR = 1300000000000000000  # the simulator's cursors lie beyond 2**53, as the service's did


class TwitterMethodsTest(PackageTestCase):
    SIMULATOR_ARGS = ("--page-size", "20")

    def setUp(self):
        super().setUp()
        self.twitter = self.new_twitter()

    def tearDown(self):
        del self.twitter
        gc.collect()
        self.folder.cleanup()

    def new_twitter(self):
        t = warbler.Dispatch("Velmora.Twitter")
        t.LogFile = self.log
        c = self.sim.credentials
        t.ConsumerKey, t.ConsumerSecret = c["consumer_key"], c["consumer_secret"]
        t.AccessToken, t.AccessTokenSecret = c["access_token"], c["access_token_secret"]
        return t

    def lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as log:
            return [re.sub("^" + TIME, "", line.rstrip("\n")) for line in log]

    def requests(self, path):
        """The request lines the simulator logged for one REST path."""
        return [r for r in self.sim.requests_logged() if " /1/%s.xml" % path in r]

    @staticmethod
    def query(request):
        """The decoded query of a logged request line."""
        return {k: v[0] for k, v in parse_qs(urlsplit(request.split()[2]).query).items()}

    def walk(self, first, next_call):
        items = []
        item = first
        while item is not None:
            items.append(item)
            item = next_call()
        return items

    def test_timeline_walk_reuse_and_refetch(self):
        t = self.twitter
        before = len(self.requests("statuses/home_timeline"))
        statuses = self.walk(t.FindFirstTweet("home", "", "", 7), t.FindNextTweet)
        self.assertEqual(t.LastError, 35015)
        ids = [s.Id for s in statuses]
        self.assertEqual(len(ids), 7)
        self.assertEqual(ids, sorted(ids, key=int, reverse=True))
        self.assertTrue(all(s.User.ScreenName for s in statuses))
        self.assertIn("-- FindFirstTweet since_id=[], max_id[], count[7], page[0]", self.lines())
        self.assertIn("FindNextTweet result: [35015: There are no (more) status messages]", self.lines())

        # Within the time-out the same key is served from the list, from its first status on.
        again = t.FindFirstTweet("home", "", "", 7)
        self.assertEqual((t.LastError, again.Id), (0, ids[0]))
        self.assertEqual(t.FindNextTweet().Id, ids[1])
        self.assertEqual(len(self.requests("statuses/home_timeline")), before + 1)
        seconds = [int(m.group(1)) for m in map(NOT_REFRESHING.match, self.lines()) if m]
        self.assertEqual(len(seconds), 1)
        self.assertTrue(55 <= seconds[0] <= 60, seconds)

        # Any other part of the key fetches again.
        self.assertEqual(t.FindFirstTweet("home", "", "", 6).Id, ids[0])
        self.assertEqual(t.FindFirstTweet("home", "", "", 3, 2).Id, ids[3])
        self.assertEqual(t.FindFirstTweet("home", ids[3], "", 7).Id, ids[0])
        self.assertEqual([s.Id for s in self.walk(t.FindFirstTweet("home", "", ids[3], 2), t.FindNextTweet)],
                         ids[3:5])
        fetched = self.requests("statuses/home_timeline")[before + 1:]
        self.assertEqual(len(fetched), 4)
        self.assertEqual(self.query(fetched[2])["since_id"], ids[3])
        self.assertEqual(self.query(fetched[3])["max_id"], ids[3])

    def test_named_user_and_empty_timelines(self):
        t = self.twitter
        paths = {"public": "public_timeline", "home": "home_timeline", "friends": "friends_timeline",
                 "mentions": "mentions", "retweeted_by_me": "retweeted_by_me",
                 "retweeted_to_me": "retweeted_to_me", "retweeted_of_me": "retweets_of_me"}
        for name, path in paths.items():
            before = len(self.requests("statuses/" + path))
            status = t.FindFirstTweet(name)
            self.assertEqual(t.LastError, 0, name)
            self.assertIsNotNone(status, name)
            self.assertEqual(len(self.requests("statuses/" + path)), before + 1, name)
        self.assertIn("@warbler_demo", t.FindFirstTweet("mentions").Text.lower())

        by_name = self.walk(t.FindFirstTweet("alice"), t.FindNextTweet)
        self.assertGreater(len(by_name), 1)
        self.assertEqual({s.User.ScreenName for s in by_name}, {"alice"})
        by_id = t.FindFirstTweet("2147483650")
        self.assertEqual((by_id.User.ScreenName, by_id.User.Id), ("dave", "2147483650"))
        self.assertEqual(self.query(self.requests("statuses/user_timeline")[-1]), {"user_id": "2147483650"})
        self.assertEqual(self.query(self.requests("statuses/user_timeline")[-2]), {"screen_name": "alice"})

        # A timeline without statuses: 35015 on the fetch and on the reuse, one request.
        before = len(self.requests("statuses/user_timeline"))
        for _ in range(2):
            self.assertIsNone(t.FindFirstTweet("fan_01"))
            self.assertEqual(t.LastError, 35015)
        self.assertEqual(len(self.requests("statuses/user_timeline")), before + 1)
        self.assertIsNone(t.FindNextTweet())
        self.assertEqual(t.LastError, 35015)

    def test_cache_time_out_zero_always_fetches(self):
        settings = os.path.join(self.folder.name, "settings.ini")
        with open(settings, "w") as f:
            f.write("[Warbler Suite]\nCacheTimeoutSeconds=0\n")
        previous = os.environ.get("WARBLER_SETTINGS")
        os.environ["WARBLER_SETTINGS"] = settings
        try:
            t = self.new_twitter()
        finally:
            if previous is None:
                del os.environ["WARBLER_SETTINGS"]
            else:
                os.environ["WARBLER_SETTINGS"] = previous
        before = (len(self.requests("statuses/public_timeline")), len(self.requests("statuses/friends")))
        for _ in range(3):
            self.assertIsNotNone(t.FindFirstTweet("public"))
            self.assertIsNotNone(t.FindFirstFriend("alice"))
        after = (len(self.requests("statuses/public_timeline")), len(self.requests("statuses/friends")))
        self.assertEqual(after, (before[0] + 3, before[1] + 3))
        self.assertFalse(any(NOT_REFRESHING.match(line) for line in self.lines()))

    def own_status(self, status_id):
        """The status as the service keeps it, read back from the account's timeline."""
        for status in self.walk(self.twitter.FindFirstTweet("warbler_demo", "", status_id, 1),
                                self.twitter.FindNextTweet):
            if status.Id == status_id:
                return status
        self.fail("status %s not found" % status_id)

    def test_posting_and_replies(self):
        t = self.twitter
        status_id = t.Tweet("First post & caf\u00e9")
        self.assertEqual(t.LastError, 0)
        self.assertRegex(status_id, r"^\d+$")
        self.assertEqual(self.own_status(status_id).Text, "First post & caf\u00e9")
        self.assertIn("-- Tweet status=[First post & caf\u00e9],", self.lines())
        self.assertIn("Tweet success, status id: [%s]" % status_id, self.lines())
        self.assertIn("Tweet result: [0: Success]", self.lines())

        updates = len(self.requests("statuses/update"))
        self.assertEqual(t.Tweet(""), "")
        self.assertEqual(t.LastError, 35016)
        self.assertEqual(t.Tweet("x" * 141), "")
        self.assertEqual(t.LastError, 35009)
        self.assertEqual(len(self.requests("statuses/update")), updates + 1)
        self.assertIn("Twitter error: [Need a message]", self.lines())

        cases = [("hello", "bob", "@bob hello"), ("@bob already addressed", "bob", "@bob already addressed"),
                 ("@Bob other case", "bob", "@bob @Bob other case"), ("", "bob", "@bob")]
        for message, to, posted in cases:
            new_id = t.DirectTweet(message, to)
            self.assertEqual(t.LastError, 0, message)
            status = self.own_status(new_id)
            self.assertEqual(status.Text.rstrip(), posted)
            self.assertIn("<in_reply_to_status_id></in_reply_to_status_id>",
                          status.XML.replace("<in_reply_to_status_id/>",
                                             "<in_reply_to_status_id></in_reply_to_status_id>"))
        self.assertIn("-- Tweet status=[hello], to=[bob], in_reply_to_status_id=[]", self.lines())

        reply_id = t.DirectTweet("thanks", "warbler_demo", status_id)
        self.assertEqual(t.LastError, 0)
        reply = self.own_status(reply_id)
        self.assertEqual(reply.Text, "@warbler_demo thanks")
        self.assertIn("<in_reply_to_status_id>%s</in_reply_to_status_id>" % status_id, reply.XML)
        self.assertIn("-- Tweet status=[thanks], to=[warbler_demo], in_reply_to_status_id=[%s]" % status_id,
                      self.lines())

    def test_follow_and_unfollow(self):
        t = self.twitter
        expected = [(t.Follow, "fan_01", 0), (t.Follow, "fan_01", 35007), (t.UnFollow, "fan_01", 0),
                    (t.UnFollow, "fan_01", 35008), (t.Follow, "800002", 0), (t.UnFollow, "800002", 0),
                    (t.Follow, "", 35010), (t.UnFollow, "", 35010), (t.Follow, "nobody_at_all", 35008)]
        for method, user, code in expected:
            method(user)
            self.assertEqual(t.LastError, code, (method.__name__, user))
        self.assertEqual(len(self.requests("friendships/create/fan_01")), 2)
        self.assertEqual(self.query(self.requests("friendships/create/fan_01")[0]), {"screen_name": "fan_01"})
        self.assertEqual(self.query(self.requests("friendships/create/800002")[0]), {"user_id": "800002"})
        lines = self.lines()
        self.assertIn("-- Follow user_id=[fan_01]", lines)
        self.assertIn("Follow result: [35007: Could not add this person to your friends list since you are "
                      "already friends]", lines)
        self.assertIn("-- UnFollow user_id=[fan_01]", lines)
        # The service's 403 for a user not followed carries its text, which takes precedence over the
        # status; a bare 403 gives 35005 (a unit test shows it).
        self.assertIn("--> Twitter API error: [You are not friends with the specified user.]", lines)
        self.assertIn("Follow result: [35010: This method requires either a valid name or a valid user id]",
                      lines)

    def test_friends_and_followers_across_cursor_pages(self):
        t = self.twitter
        before = len(self.requests("statuses/friends"))
        friends = self.walk(t.FindFirstFriend("warbler_demo"), t.FindNextUser)
        self.assertEqual(t.LastError, 25016)
        self.assertEqual(len(friends), 45)
        self.assertEqual(len({u.Id for u in friends}), 45)
        dave = [u for u in friends if u.ScreenName == "dave"][0]
        self.assertEqual(dave.Id, "2147483650")
        sent = self.requests("statuses/friends")[before:]
        self.assertEqual(len(sent), 3)
        self.assertEqual([self.query(r)["cursor"] for r in sent],
                         ["-1", str(FIRST_CURSOR + 20), str(FIRST_CURSOR + 40)])
        lines = self.lines()
        self.assertEqual(lines.count("--> Fetching some more friends"), 2)
        for cursor in [FIRST_CURSOR + 20, FIRST_CURSOR + 40, 0]:
            self.assertIn("Cursor position: [%d]" % cursor, lines)
        self.assertEqual(lines[-1], "FindNextUser result: [25016: There are no (more) users]")
        self.assertIsNone(t.FindNextUser())  # exhausted: no further request
        self.assertEqual(len(self.requests("statuses/friends")), before + 3)

        followers = self.walk(t.FindFirstFollower("14785507"), t.FindNextUser)
        self.assertEqual(len(followers), 52)
        self.assertEqual(t.LastError, 25016)
        self.assertEqual(self.lines().count("--> Fetching some more followers"), 2)
        self.assertEqual(self.query(self.requests("statuses/followers")[-1])["user_id"], "14785507")
        self.assertIn("-- FindFirstFollower user=[14785507]", self.lines())

        # A user who follows nobody: 25016 at once.
        self.assertIsNone(t.FindFirstFriend("friend_01"))
        self.assertEqual(t.LastError, 25016)

    def test_default_user_is_the_token_prefix(self):
        t = self.twitter
        t.AccessToken = "12345-abc"
        t.FindFirstFriend()
        self.assertEqual(t.LastError, 35008)  # the simulator knows no such token: a 401 with its text
        self.assertEqual(self.query(self.requests("statuses/friends")[-1])["user_id"], "12345")
        self.assertIn("-- FindFirstFriend user=[12345]", self.lines())
        t.FindFirstFollower()
        self.assertEqual(self.query(self.requests("statuses/followers")[-1])["user_id"], "12345")
        self.assertIn("-- FindFirstFollower user=[]", self.lines())
        t.AccessToken = "nodash"
        t.FindFirstFriend()
        self.assertEqual(self.query(self.requests("statuses/friends")[-1])["screen_name"], "nodash")
        t.AccessToken = ""
        before = len(self.requests("statuses/friends"))
        self.assertIsNone(t.FindFirstFriend())
        self.assertEqual(t.LastError, 35010)
        self.assertEqual(len(self.requests("statuses/friends")), before)
        self.assertIn("Could not get friends list", self.lines())

    def test_user_search(self):
        t = self.twitter
        before = len(self.requests("users/search"))
        found = self.walk(t.FindFirstUser("fan", 5, 2), t.FindNextUser)
        self.assertEqual([u.ScreenName for u in found], ["fan_%02d" % i for i in range(6, 11)])
        self.assertEqual(t.LastError, 25016)
        self.assertIn("-- FindFirstUser q=[fan], per_page=[5], page[2]", self.lines())
        self.assertEqual(self.query(self.requests("users/search")[-1]), {"q": "fan", "per_page": "5", "page": "2"})
        self.assertEqual(t.FindFirstUser("fan", 5, 2).ScreenName, "fan_06")
        self.assertEqual(len(self.requests("users/search")), before + 1)
        self.assertTrue(NOT_REFRESHING.match(self.lines()[-2]))
        self.assertEqual(t.FindFirstUser("fan", 5, 3).ScreenName, "fan_11")
        self.assertEqual(t.FindFirstUser("fan", 4, 3).ScreenName, "fan_09")
        self.assertEqual(len(self.requests("users/search")), before + 3)

        self.assertIsNone(t.FindFirstUser(""))
        self.assertEqual(t.LastError, 35011)
        self.assertIn("Could not get status list", self.lines())
        self.assertIsNone(t.FindFirstUser("no such person anywhere"))
        self.assertEqual(t.LastError, 25016)
        self.assertEqual(len(self.requests("users/search")), before + 4)


if __name__ == "__main__":
    unittest.main()
