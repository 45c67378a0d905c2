#!/usr/bin/env bash
# Round trips to Oracle per sent row, counted by the fake client library of the test tree
# (tests/fakeoci): a generated site of N marked positions (jobfeed-bench-gen), its login file
# pointed at the Oracle backend, one run, and the client's counts per call and per statement.
#
#   bench/roundtrips.sh [N] [-- PROGRAM ARGS...]
#
# Without "--" it runs the order run (jobfeed REQUESTER ORDER POSITION BEGIN, as the benchmark
# does). After "--" any program of the build with its arguments, run in the site's run folder
# (jobfeed-master BENCH ..., for instance); rows sent are counted from the send-buffer lines.
# UNMARKED=M adds M positions marked for nobody (the everyday run: N=1 on a site of many rows);
# FAKEOCI_DELAY_US=U makes each round trip wait U microseconds, and the run's wall time is shown.
# BIN=FOLDER takes the programs of that build tree (build/ci, say) as they are, unbuilt.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
n=10000
if [ $# -gt 0 ] && [ "$1" != "--" ]; then n="$1"; shift; fi
[ $# -gt 0 ] && [ "$1" = "--" ] && shift
[ -n "${BIN:-}" ] || "$repo/scripts/deps"
[ -n "${BIN:-}" ] || cmake --preset default -S "$repo" >/dev/null
[ -n "${BIN:-}" ] || cmake --build "$repo/build/default" -j "${JOBS:-2}" \
  --target jobfeed jobfeed-master jobfeed-admin jobfeed-bench-gen fakeoci >/dev/null
bin="${BIN:-$repo/build/default}"
site="$(mktemp -d)"
trap 'rm -rf "$site"' EXIT

# The master data run gets N workplaces and N persons instead of N positions.
gen=(--positions "$n" --unmarked "${UNMARKED:-0}")
[ "${1:-}" = jobfeed-master ] && gen=(--positions 0 --workplaces "$n" --persons "$n")
facts="$("$bin/bench/jobfeed-bench-gen" "$site" "${gen[@]}" --terminals 4)"
run_dir="$(echo "$facts" | sed -n 's/^run in \(.*\):  .*/\1/p')"
run_cmd="$(echo "$facts" | sed -n 's/^run in .*:  //p')"
cd "$run_dir"
# Same site, same database file: only the net service name differs.
echo bench | "$bin/jobfeed-admin" write-login ../../../../files/quantelor.ini --force --user jobfeed \
  --net ../../../../jobfeed.db
if [ $# -gt 0 ]; then
  prog="$1"; shift
  set -- "$bin/$prog" "$@"
else
  # shellcheck disable=SC2086
  set -- "$bin/"$run_cmd
fi
start=$(date +%s%N)
LD_LIBRARY_PATH="$bin/tests/fakeoci/lib" FAKEOCI_STATS="$site/stats.txt" "$@" || true
wall_ms=$((($(date +%s%N) - start) / 1000000))
if [ -s Msg/Jobfeed.txt ]; then echo "the run wrote messages:"; cat Msg/Jobfeed.txt; fi
bytes=$(cat ../Comm/Buff/*.buf 2>/dev/null | wc -c)
rows=$((bytes / 552))
echo "$(basename "$1") through the fake Oracle client: $rows lines sent (${gen[*]}), $wall_ms ms" \
  "with ${FAKEOCI_DELAY_US:-0} us a round trip"
awk -F'\t' -v rows="$rows" '
  { calls[$1] += $2; trips[$1] += $3; total += $3
    if ($1 == "OCIStmtExecute") {
      t = $4; if (length(t) > 44) t = substr(t, 1, 16) "..." substr(t, length(t) - 24)
      stmt[t] += $3 } }
  END {
    printf "  %-46s %9s %9s %10s\n", "call", "calls", "trips", "trips/row"
    for (f in calls) if (trips[f] > 0)
      printf "  %-46s %9d %9d %10.3f\n", f, calls[f], trips[f], trips[f] / rows
    printf "  %-46s %9s %9d %10.3f\n", "all", "", total, total / rows
    print "  executes by statement:"
    for (s in stmt) printf "  %-46s %9s %9d %10.3f\n", s, "", stmt[s], stmt[s] / rows
  }' "$site/stats.txt"
