#!/bin/sh
# usage: start_background.sh LOGFILE COMMAND [ARGS...]  (runs COMMAND in the background, prints PID)
LOG=$1; shift
"$@" > "$LOG" 2>&1 &
echo $!
