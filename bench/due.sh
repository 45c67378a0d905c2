#!/usr/bin/env bash
# Times jobfeed-admin due on a large embedded site: N positions due among M unmarked ones (and
# their order headers), found through the download markers' indexes.
#
#   bench/due.sh [--bin FOLDER] [--dir FOLDER] [--due N] [--unmarked M] [--repeat R]
#
# FOLDER of the binaries defaults to build/default (built here when missing); the site is laid
# out under build/bench-sites/due. Defaults: N = 10,000, M = 990,000, R = 3. Prints the time of
# each listing and the lines it listed.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
bin="$repo/build/default"
dir="$repo/build/bench-sites/due"
due=10000
unmarked=990000
repeat=3
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin="$2"; shift 2 ;;
    --dir) dir="$2"; shift 2 ;;
    --due) due="$2"; shift 2 ;;
    --unmarked) unmarked="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    *) echo "usage: bench/due.sh [--bin FOLDER] [--dir FOLDER] [--due N] [--unmarked M] [--repeat R]" >&2
       exit 2 ;;
  esac
done
if [ ! -x "$bin/jobfeed-admin" ] || [ ! -x "$bin/bench/jobfeed-bench-gen" ]; then
  cmake --preset default -S "$repo" >/dev/null
  cmake --build "$bin" --target jobfeed-admin jobfeed-bench-gen >/dev/null
fi
bin="$(cd "$bin" && pwd)"
rm -rf "$dir"
mkdir -p "$(dirname "$dir")"
"$bin/bench/jobfeed-bench-gen" "$dir" --positions "$due" --unmarked "$unmarked" >"$dir.gen"
run="$(sed -n 's/^run in \(.*\):.*/\1/p' "$dir.gen")"
cd "$run"
for _ in $(seq "$repeat"); do
  start=$(date +%s.%N)
  rc=0
  "$bin/jobfeed-admin" due >"$dir.out" || rc=$?
  end=$(date +%s.%N)
  if [ "$rc" -gt 1 ]; then cat "$dir.out" >&2; exit "$rc"; fi
  printf 'due: %s s, exit %d, %d lines (%d rows due among %d)\n' \
    "$(echo "$end - $start" | bc)" "$rc" "$(wc -l <"$dir.out")" "$due" "$((due + unmarked))"
done
tail -2 "$dir.out"
