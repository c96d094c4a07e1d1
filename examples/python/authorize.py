#!/usr/bin/python3
"""Authorizes an account once and saves both key pairs for the other examples.
usage: authorize.py KEYFILE CONSUMER_KEY CONSUMER_SECRET"""
import sys

import warbler

keys, consumer_key, consumer_secret = sys.argv[1:4]
twitter = warbler.Dispatch("Velmora.Twitter")
twitter.ConsumerKey, twitter.ConsumerSecret = consumer_key, consumer_secret
url = twitter.RequestAuthorization()
if twitter.LastError:
    sys.exit("RequestAuthorization: " + twitter.GetErrorDescription(twitter.LastError))
print("Open this page, approve, and type the PIN it shows:", url)
twitter.RequestAccessToken(input("PIN: ").strip())
if twitter.LastError:
    sys.exit("RequestAccessToken: " + twitter.GetErrorDescription(twitter.LastError))
twitter.SaveConsumerKey(keys)
twitter.SaveAccessKey(keys)
print("Authorized; the keys are in", keys)
