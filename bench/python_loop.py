#!/usr/bin/python3
"""One Python contender of bench/compare.py: signed GETs of URL for SECONDS, calls per second.
usage: python_loop.py warbler|requests URL SECONDS"""
import sys
import time


def main():
    mode, url, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
    if mode == "warbler":
        import warbler
        t = warbler.Dispatch("Velmora.Twitter")
        t.ConsumerKey, t.ConsumerSecret = "wbDemoConsumerKey2010", "wbDemoConsumerSecret"
        t.AccessToken, t.AccessTokenSecret = "14785507-wbDemoAccessToken", "wbDemoAccessSecret"
        method = url[:-4]  # APICall appends the format

        def call():
            return t.APICall(method, "xml")
    else:
        import requests
        from requests_oauthlib import OAuth1
        session = requests.Session()
        session.auth = OAuth1("wbDemoConsumerKey2010", "wbDemoConsumerSecret", "14785507-wbDemoAccessToken",
                              "wbDemoAccessSecret")

        def call():
            return session.get(url).text
    calls, start = 0, time.perf_counter()
    while True:
        if not call():
            sys.exit("empty reply")
        calls += 1
        elapsed = time.perf_counter() - start
        if elapsed >= seconds:
            break
    print("%.1f" % (calls / elapsed))


if __name__ == "__main__":
    main()
