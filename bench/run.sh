#!/usr/bin/env bash
# Benchmarks the order run and the master data run against their durable-write floor and prints
# one table.
#
#   bench/run.sh [--smoke] [--dir FOLDER] [--case N:T:M | MAS:N:T | PNR:N:T[@G]]... [--g1]
#                [--repeat R] [--keep] [--postgres]
#   bench/run.sh --against REV [--rounds R] [--case ...]...
#
# Builds the optimised binaries first (build/default). Without --case it runs N = 10,000 and
# N = 100,000 positions over 4 terminals, the empty run on 1,000,000 unmarked positions, and
# jobfeed-master on 10,000 and 100,000 workplaces (MAS) and persons (PNR), all with the default
# groups, and the 10,000-row cases once more with one row a group (@1, JOBFEED_GROUP_ROWS=1); a
# case given as CASE@G runs with groups of G rows, --g1 adds the @1 run of each case given.
# --smoke runs a few hundred rows of each.
# The sites are generated under FOLDER (default build/bench-sites, on the repository's disk),
# which is where the floor is measured too: put it on the disk you want to judge. With --postgres
# the rows live on a throwaway PostgreSQL server with durable commits, in FOLDER/pg.
# --against REV builds the programs of git revision REV (say main) in build/against and times
# each case on both builds side by side, alternating, R rounds (default 3); without --case the
# order run on 10,000 positions and jobfeed-master on 10,000 workplaces and 10,000 persons.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/scripts/deps"
cmake --preset default -S "$repo" >/dev/null
cmake --build "$repo/build/default" -j "$(nproc 2>/dev/null || echo 2)" \
  --target jobfeed jobfeed-master jobfeed-bench jobfeed-bench-gen jobfeed-bench-floor >/dev/null
bin="$repo/build/default"

dir="$repo/build/bench-sites"
args=()
against=""
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) dir="$2"; shift 2 ;;
    --postgres) args+=(--postgres "$repo/scripts/pg-server"); shift ;;
    --against) against="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done
if [ -n "$against" ]; then
  src="$repo/build/against/src"
  rm -rf "$src" && mkdir -p "$src"
  git -C "$repo" archive "$against" | tar -x -C "$src"
  cmake -S "$src" -B "$repo/build/against/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DJOBFEED_TESTS=OFF >/dev/null
  cmake --build "$repo/build/against/build" -j "$(nproc 2>/dev/null || echo 2)" \
    --target jobfeed jobfeed-master >/dev/null
  case " ${args[*]} " in *" --case "*) ;; *) args+=(--case 10000:4:0 --case MAS:10000:4 --case PNR:10000:4) ;; esac
  args+=(--against "$repo/build/against/build/jobfeed" "$repo/build/against/build/jobfeed-master")
fi
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); sites in $dir"
exec "$bin/bench/jobfeed-bench" --jobfeed "$bin/jobfeed" --master "$bin/jobfeed-master" \
  --dir "$dir" "${args[@]}"
