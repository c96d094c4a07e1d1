#!/bin/bash
# Exports the followers of a user (default: the keys' account) to CSV. The file is replaced only
# when the whole walk succeeded: a failure leaves the last good export and exits non-zero.
# usage: followers_csv.sh OUTPUT.csv [USER]
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: followers_csv.sh OUTPUT.csv [USER]" >&2
    exit 2
fi
out=$1; shift
partial=$(mktemp "$out.XXXXXX")
trap 'rm -f "$partial"' EXIT
echo "id,screen_name,name,followers,friends,statuses,location" > "$partial"
# The command's TSV writes \\, \t, \n and \r inside a field; CSV quotes them instead.
warbler followers "$@" --format tsv |
    awk -F '\t' -v OFS=, '{
        for (i = 1; i <= NF; i++) {
            gsub(/\\\\/, "\001", $i); gsub(/\\t/, "\t", $i); gsub(/\\n/, "\n", $i)
            gsub(/\\r/, "\r", $i); gsub(/\001/, "\\", $i); gsub(/"/, "\"\"", $i)
            $i = "\"" $i "\""
        }
        print
    }' >> "$partial"
mv "$partial" "$out"
trap - EXIT
