"""The seeds: a demo application, a pre-authorized demo account, and users around it; or the
statuses of a public timeline of 2007."""

import calendar
import os
import time
import xml.etree.ElementTree as ET

DEMO_CONSUMER_KEY = "wbDemoConsumerKey2010"
DEMO_CONSUMER_SECRET = "wbDemoConsumerSecretQm9b4tXrT7kLwP2z"
DEMO_USER_ID = 14785507
DEMO_SCREEN_NAME = "warbler_demo"
DEMO_ACCESS_TOKEN = "14785507-wbDemoAccessTokenH3nR8sYq"
DEMO_ACCESS_SECRET = "wbDemoAccessSecretVx6cJ1mN9aZe4uKd"

BASE_TIME = 1277974800  # Thu Jul 01 09:00:00 +0000 2010: the seed does not depend on the clock


def credentials():
    return [("consumer_key", DEMO_CONSUMER_KEY), ("consumer_secret", DEMO_CONSUMER_SECRET),
            ("access_token", DEMO_ACCESS_TOKEN), ("access_token_secret", DEMO_ACCESS_SECRET)]


def seed_empty(store):
    """The demo application and account alone."""
    store.add_app(DEMO_CONSUMER_KEY, DEMO_CONSUMER_SECRET, "Warbler Demo")
    store.add_user(DEMO_USER_ID, DEMO_SCREEN_NAME, "Warbler Demo", BASE_TIME - 86400 * 400,
                   location="Loopback", description="The account the Warbler demo runs as.",
                   profile_image_url="http://a1.twimg.com/profile_images/1/demo_normal.png")
    store.add_access_token(DEMO_ACCESS_TOKEN, DEMO_ACCESS_SECRET, DEMO_CONSUMER_KEY, DEMO_USER_ID)


def seed_demo(store):
    seed_empty(store)
    people = [
        (783214, "alice", "Alice Liddell", dict(location="Oxford", description="Curiouser and curiouser ",
                                                 url="http://alice.example.org/")),
        (6253282, "bob", "Bob Builder", dict(location="", description="Can we fix it?")),
        (50393960, "carol", "Carol Ann", dict(location="Montr\u00e9al", protected=1,
                                             description="Protected updates \u2014 ask first")),
        (2147483650, "dave", "Dave \u00d8stergaard", dict(location="K\u00f8benhavn", description="")),
        (12, "erin", "Erin", dict(location="Remote", description="Searching for <tags> & things")),
    ]
    for user_id, screen_name, name, fields in people:
        store.add_user(user_id, screen_name, name, BASE_TIME - 86400 * (user_id % 300 + 30),
                       profile_image_url="http://a1.twimg.com/profile_images/%d/%s_normal.png"
                       % (user_id, screen_name), **fields)
    for i in range(1, 42):
        store.add_user(900000 + i, "friend_%02d" % i, "Friend %d" % i, BASE_TIME - 86400 * i,
                       description="Friend number %d" % i)
    for i in range(1, 51):
        store.add_user(800000 + i, "fan_%02d" % i, "Fan %d" % i, BASE_TIME - 3600 * i,
                       location="Fan town")

    follow_times = iter(range(10**6, 0, -1))
    for friend in [783214, 6253282, 50393960, 2147483650] + [900000 + i for i in range(1, 42)]:
        store.run("INSERT INTO follows VALUES (?,?,?)", DEMO_USER_ID, friend, next(follow_times))
    for fan in [783214, 6253282] + [800000 + i for i in range(1, 51)]:
        store.run("INSERT INTO follows VALUES (?,?,?)", fan, DEMO_USER_ID, next(follow_times))
    store.run("INSERT INTO follows VALUES (?,?,?)", 783214, 6253282, next(follow_times))

    web = "web"
    tweetdeck = '<a href="http://www.tweetdeck.com" rel="nofollow">TweetDeck</a>'
    t = BASE_TIME
    s = store.add_status
    first = s(DEMO_USER_ID, "Hello from the Warbler demo account!", web, t)
    a1 = s(783214, "Down the rabbit hole again", tweetdeck, t + 60)
    s(6253282, "@warbler_demo welcome aboard", web, t + 120, in_reply_to=first)
    s(50393960, "Caf\u00e9 au lait, s'il vous pla\u00eet \u2615", web, t + 180)
    s(2147483650, "Line one\nline two & <three>", tweetdeck, t + 240)
    s(DEMO_USER_ID, "RT @alice: Down the rabbit hole again", web, t + 300, retweet_of=a1)
    s(783214, "@warbler_demo have you tried the timelines?", tweetdeck, t + 360)
    s(12, "Looking for good #xml parsers", web, t + 420)
    own = s(DEMO_USER_ID, "Timelines, friends and followers, all in XML", web, t + 480)
    s(6253282, "RT @warbler_demo: Timelines, friends and followers, all in XML", web, t + 540, retweet_of=own)
    for i in range(1, 26):
        s(783214 if i % 2 else 6253282, "Status number %d of the home timeline" % i, web, t + 600 + 60 * i)
    for i in range(1, 6):
        s(900000 + i, "friend_%02d says hi" % i, web, t + 3000 + i)


FIXTURE_2007 = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "public_timeline-2007.xml")


def seed_fixtures_2007(store):
    """The demo application and account, and the users and statuses of a public timeline
    captured in 2007, kept as the service kept them (status text with its HTML escapes)."""
    seed_empty(store)
    for status in ET.parse(FIXTURE_2007).getroot():
        user = status.find("user")
        user_id = int(user.findtext("id"))
        if store.user(user_id=user_id) is None:
            store.add_user(user_id, user.findtext("screen_name"), user.findtext("name"), BASE_TIME,
                           location=user.findtext("location") or "",
                           description=user.findtext("description") or "",
                           profile_image_url=user.findtext("profile_image_url") or "",
                           url=user.findtext("url") or "",
                           protected=1 if user.findtext("protected") == "true" else 0)
        created = calendar.timegm(time.strptime(status.findtext("created_at"), "%a %b %d %H:%M:%S +0000 %Y"))
        # The reply escapes < and > once more: undo that here so the round trip is exact.
        text = status.findtext("text").replace("&lt;", "<").replace("&gt;", ">")
        store.add_status(user_id, text, "web", created, status_id=int(status.findtext("id")))


SEEDS = {"demo": seed_demo, "empty": seed_empty, "fixtures-2007": seed_fixtures_2007}
