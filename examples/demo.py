#!/usr/bin/python3
"""The Warbler demo: authorizes the demo account of the local service simulator, as a script
would, and makes a few API calls through the Python package.

usage: demo.py [LOGFILE]
"""

import os
import sys
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "python"))
sys.path.insert(0, os.path.join(ROOT, "simulator"))

import warbler  # noqa: E402
from warbler_sim.process import Simulator  # noqa: E402


def main():
    log = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "warbler-demo.log")
    if os.path.exists(log):
        os.remove(log)
    sim = Simulator()
    try:
        print("Service simulator at", sim.base_url)
        os.environ["WARBLER_API_HOST"] = os.environ["WARBLER_OAUTH_HOST"] = sim.host_port()

        twitter = warbler.Dispatch("Velmora.Twitter")
        twitter.LogFile = log
        twitter.ConsumerKey = sim.credentials["consumer_key"]
        twitter.ConsumerSecret = sim.credentials["consumer_secret"]
        print("Warbler", twitter.Version)

        url = twitter.RequestAuthorization()
        print("1. RequestAuthorization ->", twitter.GetErrorDescription(twitter.LastError))
        print("   authorize page:", url)
        # A person would open the page and approve; the simulator's scripted approval stands in.
        with urllib.request.urlopen(url + "&approve=1&format=text", timeout=10) as page:
            verifier = dict(pair.split("=") for pair in page.read().decode().split("&"))["oauth_verifier"]
        print("2. the account owner approved; verifier", verifier)
        twitter.RequestAccessToken(verifier)
        print("3. RequestAccessToken ->", twitter.GetErrorDescription(twitter.LastError))
        print("   access token", twitter.AccessToken)

        keys = os.path.join(os.path.dirname(log), "warbler-demo-keys.ini")
        twitter.SaveAccessKey(keys)
        twitter.SaveConsumerKey(keys)
        print("4. keys saved to", keys)

        me = twitter.APICall("account/verify_credentials", "xml")
        print("5. verify_credentials ->", twitter.GetErrorDescription(twitter.LastError),
              "| screen name:", me.split("<screen_name>")[1].split("<")[0])
        posted = twitter.APICall("statuses/update", "xml", "status=Hello from the Warbler demo", True)
        print("6. statuses/update ->", twitter.GetErrorDescription(twitter.LastError),
              "| new status id:", posted.split("<id>")[1].split("<")[0] if "<id>" in posted else "-")
        home = twitter.APICall("statuses/home_timeline", "xml", "count=3")
        print("7. home_timeline ->", twitter.GetErrorDescription(twitter.LastError),
              "| %d statuses" % home.count("<status>"))
        again = twitter.APICall("statuses/update", "xml", "status=Hello from the Warbler demo", True)
        print("8. the same status again ->", twitter.LastError, twitter.GetErrorDescription(twitter.LastError))
        print("   the service said:", again.split("<error>")[1].split("<")[0] if "<error>" in again else "-")
        print("\nLog file:", log)
        with open(log, encoding="utf-8") as lines:
            print(lines.read())
    finally:
        sim.stop()


if __name__ == "__main__":
    main()
