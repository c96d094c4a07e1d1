#!/bin/sh
# Exports the followers of a user (default: the keys' account) to CSV.
# usage: followers_csv.sh OUTPUT.csv [USER]
set -e
out=$1; shift
echo "id,screen_name,name,followers,friends,statuses,location" > "$out"
warbler followers "$@" --format tsv |
    awk -F '\t' -v OFS=, '{ for (i = 1; i <= NF; i++) { gsub(/"/, "\"\"", $i); $i = "\"" $i "\"" } print }' >> "$out"
