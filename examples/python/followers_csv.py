#!/usr/bin/python3
"""Exports the followers of a user (default: the keys' account) to CSV, page after page.
usage: followers_csv.py KEYFILE OUTPUT.csv [USER]"""
import csv
import sys

import warbler

if len(sys.argv) < 3:
    sys.exit("usage: followers_csv.py KEYFILE OUTPUT.csv [USER]")
keys, output = sys.argv[1:3]
twitter = warbler.Dispatch("Velmora.Twitter")
twitter.LoadConsumerKey(keys)
twitter.LoadAccessKey(keys)
try:
    with open(output, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f)
        writer.writerow(["id", "screen_name", "name", "followers", "friends", "statuses", "location"])
        for user in twitter.followers(sys.argv[3] if len(sys.argv) > 3 else ""):
            writer.writerow([user.Id, user.ScreenName, user.Name, user.NumFollowers, user.NumFriends,
                             user.NumTweets, user.Location])
except warbler.WarblerError as failure:
    sys.exit(str(failure))
