#!/bin/sh
# Posts a status; prints its id.  usage: post.sh "the message"
exec warbler tweet "$1"
