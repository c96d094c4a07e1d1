#!/usr/bin/python3
"""The Warbler demo: against the local service simulator, authorizes its demo account as a
script would, then posts, replies, follows, walks the home timeline and a friend list across
cursor pages, searches users and shows one failure with its code, through the Python package
and through the warbler command.

usage: demo.py [LOGFILE]    (WARBLER_COMMAND names the command; default: the build tree's)
"""

import os
import subprocess
import sys
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "build", "linux", "python"))
sys.path.insert(0, os.path.join(ROOT, "simulator"))

import warbler  # noqa: E402
from warbler_sim.process import Simulator  # noqa: E402

COMMAND = os.environ.get("WARBLER_COMMAND", os.path.join(ROOT, "build", "linux", "bin", "warbler"))


def say(step, text):
    print("%-3s %s" % (step, text))


def main():
    log = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "warbler-demo.log")
    keys = os.path.join(os.path.dirname(log), "warbler-demo-keys.ini")
    for old in (log, keys):
        if os.path.exists(old):
            os.remove(old)
    sim = Simulator("--page-size", "20")
    try:
        os.environ["WARBLER_API_HOST"] = os.environ["WARBLER_OAUTH_HOST"] = sim.host_port()
        print("Service simulator at %s\n" % sim.base_url)

        print("From Python (import warbler):")
        t = warbler.Dispatch("Velmora.Twitter")
        t.LogFile = log
        t.ConsumerKey = sim.credentials["consumer_key"]
        t.ConsumerSecret = sim.credentials["consumer_secret"]
        url = t.RequestAuthorization()
        say("1.", "the page the account owner opens: %s..." % url[:60])
        # A person would approve in a browser; the simulator's scripted approval stands in.
        with urllib.request.urlopen(url + "&approve=1&format=text", timeout=10) as page:
            verifier = page.read().decode().split("oauth_verifier=")[1]
        t.RequestAccessToken(verifier)
        say("2.", "approved with PIN %s: %s, access token %s..." % (
            verifier, t.GetErrorDescription(t.LastError), t.AccessToken[:12]))
        t.SaveConsumerKey(keys)
        t.SaveAccessKey(keys)
        say("3.", "keys saved to %s" % keys)
        status_id = t.Tweet("Hello from the Warbler demo")
        say("4.", "posted status %s" % status_id)
        reply_id = t.DirectTweet("welcome aboard", "alice", status_id)
        say("5.", "replied to alice: status %s" % reply_id)
        t.Follow("fan_01")
        say("6.", "followed fan_01: %s" % t.GetErrorDescription(t.LastError))
        say("7.", "the home timeline:")
        for status in t.timeline("home", count=4):  # the Pythonic walk
            print("      @%-14s %s" % (status.User.ScreenName, status.Text))
        names, user = [], t.FindFirstFriend()  # the interface's own walk, ending on its code
        while user is not None:
            names.append(user.ScreenName)
            user = t.FindNextUser()
        say("8.", "%d friends over three cursor pages: %s ... %s (then %d: %s)" % (
            len(names), ", ".join(names[:3]), names[-1], t.LastError, t.GetErrorDescription(t.LastError)))
        found = [user.ScreenName for user in t.search("friend", per_page=5)]
        say("9.", "users matching 'friend': %s" % ", ".join(found))
        t.Follow("fan_01")
        say("10.", "following fan_01 again fails: %d %s" % (t.LastError, t.GetErrorDescription(t.LastError)))

        print("\nThe same keys from the shell (warbler --keys %s ...):" % os.path.basename(keys))
        for args in (["timeline", "--count", "3"], ["search", "fan", "--per-page", "2"],
                     ["followers", "--format", "tsv"], ["tweet", "x" * 141]):
            shown = " ".join(a if len(a) < 20 else a[:6] + "..." for a in args)
            done = subprocess.run([COMMAND, "--keys", keys, "--log", log] + args, capture_output=True,
                                  text=True, timeout=60)
            lines = done.stdout.splitlines()
            print("$ warbler %s    (exit %d)" % (shown, done.returncode))
            for line in lines[:3]:
                print("  " + line)
            if len(lines) > 3:
                print("  ... %d lines" % len(lines))
            if done.stderr:
                print("  " + done.stderr.strip())
        print("\nThe log file, every call and exchange: %s" % log)
    finally:
        sim.stop()


if __name__ == "__main__":
    main()
