#!/bin/sh
# Authorizes an account once; the command asks for the consumer secret (unless
# $WARBLER_CONSUMER_SECRET holds it) and the PIN, and saves both key pairs. The secret is never an
# argument: every user of the machine can read a process's arguments.
# usage: authorize.sh CONSUMER_KEY   (keys in $WARBLER_KEYS or ~/.config/warbler)
exec warbler authorize --consumer-key "$1"
