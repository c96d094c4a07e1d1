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
with open(output, "w", newline="", encoding="utf-8") as f:
    writer = csv.writer(f)
    writer.writerow(["id", "screen_name", "name", "followers", "friends", "statuses", "location"])
    user = twitter.FindFirstFollower(sys.argv[3] if len(sys.argv) > 3 else "")
    while user is not None:
        writer.writerow([user.Id, user.ScreenName, user.Name, user.NumFollowers, user.NumFriends,
                         user.NumTweets, user.Location])
        user = twitter.FindNextUser()
if twitter.LastError != 25016:  # the end of every walk
    sys.exit("%d %s" % (twitter.LastError, twitter.GetErrorDescription(twitter.LastError)))
