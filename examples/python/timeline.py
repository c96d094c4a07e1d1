#!/usr/bin/python3
"""Walks a timeline ("home" by default, or "public", "mentions", a screen name...).
usage: timeline.py KEYFILE [TIMELINE] [COUNT]"""
import sys

import warbler

keys = sys.argv[1]
name = sys.argv[2] if len(sys.argv) > 2 else "home"
count = int(sys.argv[3]) if len(sys.argv) > 3 else 20
twitter = warbler.Dispatch("Velmora.Twitter")
twitter.LoadConsumerKey(keys)
twitter.LoadAccessKey(keys)
try:
    for status in twitter.timeline(name, count=count):
        print("%s  @%-15s %s" % (status.CreatedAt, status.User.ScreenName, status.Text))
except warbler.WarblerError as failure:
    sys.exit(str(failure))
