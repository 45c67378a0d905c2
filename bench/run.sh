#!/usr/bin/env bash
# Benchmarks the order run and the master data run against their durable-write floor and prints
# one table.
#
#   bench/run.sh [--smoke] [--dir FOLDER] [--case N:T:M | MAS:N:T | PNR:N:T]... [--repeat R] [--keep]
#                [--postgres]
#
# Builds the optimised binaries first (build/default). Without --case it runs N = 10,000 and
# N = 100,000 positions over 4 terminals, the empty run on 1,000,000 unmarked positions, and
# jobfeed-master on 10,000 and 100,000 workplaces (MAS) and persons (PNR); that takes about an
# hour on a disk with millisecond flushes. --smoke runs a few hundred rows of each.
# The sites are generated under FOLDER (default build/bench-sites, on the repository's disk),
# which is where the floor is measured too: put it on the disk you want to judge. With --postgres
# the rows live on a throwaway PostgreSQL server with durable commits, in FOLDER/pg.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/scripts/deps"
cmake --preset default -S "$repo" >/dev/null
cmake --build "$repo/build/default" -j "$(nproc 2>/dev/null || echo 2)" \
  --target jobfeed jobfeed-master jobfeed-bench jobfeed-bench-gen jobfeed-bench-floor >/dev/null
bin="$repo/build/default"

dir="$repo/build/bench-sites"
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) dir="$2"; shift 2 ;;
    --postgres) args+=(--postgres "$repo/scripts/pg-server"); shift ;;
    *) args+=("$1"); shift ;;
  esac
done
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); sites in $dir"
exec "$bin/bench/jobfeed-bench" --jobfeed "$bin/jobfeed" --master "$bin/jobfeed-master" \
  --dir "$dir" "${args[@]}"
