#!/bin/sh
# Walks a timeline as tab-separated values: id, time, screen name, text.
# usage: timeline.sh [TIMELINE] [COUNT]
exec warbler timeline "${1:-home}" --count "${2:-20}" --format tsv
