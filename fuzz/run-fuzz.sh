#!/usr/bin/env bash
# Runs one fuzz target for a bounded time.
#   run-fuzz.sh <target binary> <seed folder> <work folder> <seconds> [more libFuzzer options]
# The work folder is emptied first; new inputs go to <work>/corpus (never into the seed folder), and a
# crashing or property-breaking input is written to <work>/crashes/. Exit status: the fuzzer's (0 = nothing found).
set -euo pipefail

if [ $# -lt 4 ]; then
  sed -n '2,5p' "$0" >&2
  exit 2
fi
target=$1 seeds=$2 work=$3 seconds=$4
shift 4

rm -rf "$work"
mkdir -p "$work/corpus" "$work/crashes"
exec "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 \
  -artifact_prefix="$work/crashes/" "$@" "$work/corpus" "$seeds"
