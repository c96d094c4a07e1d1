#!/bin/sh
# Authorizes an account once; the command asks for the PIN and saves both key pairs.
# usage: authorize.sh CONSUMER_KEY CONSUMER_SECRET   (keys in $WARBLER_KEYS or ~/.config/warbler)
exec warbler authorize --consumer-key "$1" --consumer-secret "$2"
