#!/usr/bin/env bash
# What --deterministic costs the TSP example (with its 2-opt + Or-opt
# improvement) against the default mode, side by side in one run: the two
# modes alternate, seed by seed, each run ending after the master iteration
# that reaches EVALUATIONS fitness evaluations, and the slave threads' busy
# milliseconds and children (steps) are summed from the records.
#
#   perf/tsp_deterministic.sh [build-dir]
#
# Environment: INSTANCES (default "a280 pcb442"), EVALUATIONS (default 4000),
# RUNS (7), THREADS (2). Prints one markdown row per instance and mode:
# children, busy ms, ms per child, median wall seconds, and the ratio of the
# deterministic mode's ms per child to the default's; then the load before
# and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
instances=${INSTANCES:-"a280 pcb442"}
evaluations=${EVALUATIONS:-4000}
runs=${RUNS:-7}
threads=${THREADS:-2}
tsp=$build/examples/tsp/tsp
data=$root/examples/tsp/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$tsp" ] || { echo "no $tsp: build the release preset first" >&2; exit 1; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| instance | mode | children | busy ms | ms per child | median wall s | ratio per child |"
echo "|---|---|---|---|---|---|---|"
for instance in $instances; do
    for ((r = 1; r <= runs; ++r)); do
        for mode in default deterministic; do
            flag=()
            [ "$mode" = deterministic ] && flag=(--deterministic)
            "$tsp" "$data/$instance.tsp" --seed "$r" --threads "$threads" --quiet \
                --max-evaluations "$evaluations" "${flag[@]}" --json "$work/rec.json" >/dev/null
            python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); t=r["threads"]; print(sum(x["steps"] for x in t), sum(x["busy_ms"] for x in t), r["wall_seconds"])' \
                "$work/rec.json" >>"$work/$instance.$mode"
        done
    done
    base=$(awk '{ c += $1; b += $2 } END { print b / c }' "$work/$instance.default")
    for mode in default deterministic; do
        wall=$(cut -d' ' -f3 "$work/$instance.$mode" | median)
        awk -v i="$instance" -v m="$mode" -v w="$wall" -v base="$base" \
            '{ c += $1; b += $2 } END { printf "| %s | %s | %d | %d | %.4f | %.3f | %.2f |\n", i, m, c, b, b / c, w, (b / c) / base }' \
            "$work/$instance.$mode"
    done
done
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
