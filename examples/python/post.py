#!/usr/bin/python3
"""Posts a status with the saved keys.  usage: post.py KEYFILE "the message" """
import sys

import warbler

keys, message = sys.argv[1:3]
twitter = warbler.Dispatch("Velmora.Twitter")
twitter.LoadConsumerKey(keys)
twitter.LoadAccessKey(keys)
status_id = twitter.Tweet(message)
if twitter.LastError:
    sys.exit("not posted: %d %s" % (twitter.LastError, twitter.GetErrorDescription(twitter.LastError)))
print("posted status", status_id)
