#!/usr/bin/env bash
# Round trips per sent row at a plant network's latency: the order run and jobfeed-master
# (workplaces, persons) on N rows, and the everyday run (one header and one position on a site of
# M further positions), first on the embedded database for its wall time, then on a PostgreSQL
# server of the benchmark's own, counted in process and seen from outside through the delaying
# proxy at round trips of 0, 0.5 and 2 ms.
#
#   bench/latency.sh [N [M]] [--delays MS,MS...] [--dir FOLDER]
#
# N defaults to 2,000 rows a case (at 2 ms and 3 round trips a row the order run waits 6 ms a
# row), M to 100,000. The fake Oracle client's counts come from bench/roundtrips.sh.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
n=2000
m=100000
delays=0,0.5,2
dir="$repo/build/bench-sites"
pos=()
while [ $# -gt 0 ]; do
  case "$1" in
    --delays) delays="$2"; shift 2 ;;
    --dir) dir="$2"; shift 2 ;;
    *) pos+=("$1"); shift ;;
  esac
done
[ ${#pos[@]} -gt 0 ] && n="${pos[0]}"
[ ${#pos[@]} -gt 1 ] && m="${pos[1]}"
"$repo/scripts/deps"
cmake --preset default -S "$repo" >/dev/null
cmake --build "$repo/build/default" -j "${JOBS:-2}" \
  --target jobfeed jobfeed-master jobfeed-bench jobfeed-bench-gen jobfeed-bench-proxy >/dev/null
bin="$repo/build/default"
cases=(--case "$n:4:0" --case "MAS:$n:4" --case "PNR:$n:4" --case "1:4:$m")
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== the embedded database"
"$bin/bench/jobfeed-bench" --jobfeed "$bin/jobfeed" --master "$bin/jobfeed-master" \
  --dir "$dir" "${cases[@]}" | sed -n '1,/^$/p'
echo "== PostgreSQL (round trips of $delays ms through the proxy)"
"$bin/bench/jobfeed-bench" --jobfeed "$bin/jobfeed" --master "$bin/jobfeed-master" \
  --dir "$dir" --postgres "$repo/scripts/pg-server" --proxy "$bin/bench/jobfeed-bench-proxy" \
  --delays "$delays" "${cases[@]}"
