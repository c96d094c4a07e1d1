#!/usr/bin/python3
"""One Python contender of bench/compare.py: a workload repeated for SECONDS, rounds per second.

usage: python_loop.py WORKLOAD warbler|requests BASE_URL SECONDS
  get:       a signed GET of BASE_URL (a file the server holds), the reply as text
  timeline:  the home timeline (200 statuses), reading Id, Text, User.ScreenName and CreatedAt
  followers: a followers walk (5 pages of 100), reading Id, ScreenName and NumFollowers
  property:  reads of LastError, per second rather than per round (warbler only)
  rss:       the resident set in KiB before and after SECONDS signed GETs (a count, warbler only)
The component reaches the server through WARBLER_API_HOST, which compare.py sets."""
import sys
import time
import xml.etree.ElementTree as ElementTree

CONSUMER = ("wbDemoConsumerKey2010", "wbDemoConsumerSecret")
ACCESS = ("14785507-wbDemoAccessToken", "wbDemoAccessSecret")
FOLLOWED = "meganeco"
PROPERTY_READS = 10000  # per round, so that the clock is not what is measured


def component():
    import warbler
    t = warbler.Dispatch("Velmora.Twitter")
    t.ConsumerKey, t.ConsumerSecret = CONSUMER
    t.AccessToken, t.AccessTokenSecret = ACCESS
    return t


def session():
    import requests
    from requests_oauthlib import OAuth1
    s = requests.Session()
    s.auth = OAuth1(*CONSUMER, *ACCESS)
    return s


def warbler_workload(name, base):
    t = component()
    if name == "get":
        method = base[:-4]  # APICall appends the format
        return lambda: t.APICall(method, "xml")
    if name == "timeline":
        def walk():
            read = 0
            for status in t.timeline("home", count=200):
                status.Id, status.Text, status.User.ScreenName, status.CreatedAt
                read += 1
            return read == 200
        return walk
    if name == "followers":
        def walk():
            read = 0
            for user in t.followers(FOLLOWED):
                user.Id, user.ScreenName, user.NumFollowers
                read += 1
            return read == 500
        return walk
    if name == "property":
        def reads():
            for _ in range(PROPERTY_READS):
                t.LastError
            return True
        return reads
    raise SystemExit("unknown workload " + name)


def requests_workload(name, base):
    s = session()
    if name == "get":
        return lambda: s.get(base).text
    if name == "timeline":
        def walk():
            root = ElementTree.fromstring(s.get(base + "1/statuses/home_timeline.xml", params={"count": "200"}).content)
            read = 0
            for status in root.iter("status"):
                status.findtext("id"), status.findtext("text"), status.find("user").findtext("screen_name")
                status.findtext("created_at")
                read += 1
            return read == 200
        return walk
    if name == "followers":
        def walk():
            cursor, read = "-1", 0
            while cursor != "0":
                root = ElementTree.fromstring(s.get(base + "1/statuses/followers.xml",
                                                    params={"screen_name": FOLLOWED, "cursor": cursor}).content)
                for user in root.find("users").iter("user"):
                    user.findtext("id"), user.findtext("screen_name"), int(user.findtext("followers_count"))
                    read += 1
                cursor = root.findtext("next_cursor")
            return read == 500
        return walk
    raise SystemExit("unknown workload " + name)


def resident_kib():
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def main():
    name, contender, base, seconds = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
    if name == "rss":
        call = warbler_workload("get", base)
        for _ in range(100):  # the first calls' allocations are not growth
            call()
        before = resident_kib()
        for _ in range(int(seconds)):
            call()
        print(before, resident_kib())
        return
    call = (warbler_workload if contender == "warbler" else requests_workload)(name, base)
    rounds, start = 0, time.perf_counter()
    while True:
        if not call():
            sys.exit("%s %s: a round came back short" % (name, contender))
        rounds += 1
        elapsed = time.perf_counter() - start
        if elapsed >= seconds:
            break
    print("%.1f" % (rounds * (PROPERTY_READS if name == "property" else 1) / elapsed))


if __name__ == "__main__":
    main()
