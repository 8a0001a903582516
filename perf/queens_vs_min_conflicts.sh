#!/usr/bin/env bash
# Process wall time to a solution, side by side in one run: ZarnelNQueen with
# `operators fast` and the plain min-conflicts program perf/min_conflicts (a
# greedy random start, then a conflicted queen at a time moved to its
# least-attacked row). The runs of one size alternate between the two, so a
# burst of load on a shared machine spreads over both; every solution is
# checked by the checker below, which shares nothing with either program.
# Then the time per child of `deterministic yes` against the default mode at
# 10,000 queens on 2 slave threads, the two modes alternating as well.
#
#   perf/queens_vs_min_conflicts.sh [build-dir]
#
# Environment: SIZES (default "10000 65536 200000 1000000"), RUNS (5), CAP
# (seconds per run, 120), THREADS (slave threads of ZarnelNQueen, 2),
# POPULATION (ZarnelNQueen's population_size, 5: the least that two slave
# threads accept; every individual is a board built before the first step),
# OLD (another ZarnelNQueen binary, e.g. one built from earlier sources: its
# runs alternate with the two others' and get rows of their own).
# The runs write into a fresh directory under TMPDIR (/tmp by default):
# ZarnelNQueen syncs its report to the disk before it ends, the peer writes
# its rows without syncing, so TMPDIR=/dev/shm leaves the disk out. Prints
# one markdown row per size and program: median wall seconds, runs solved,
# median peak resident memory (/usr/bin/time -v); then the two modes' time
# per child; and the machine load before and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
sizes=${SIZES:-"10000 65536 200000 1000000"}
runs=${RUNS:-5}
cap=${CAP:-120}
threads=${THREADS:-2}
population=${POPULATION:-5}
nqueen=$build/nqueen/ZarnelNQueen
old=${OLD:-}
peer=$build/perf/min_conflicts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$nqueen" ] || { echo "no $nqueen: build the release preset first" >&2; exit 1; }
[ -x "$peer" ] || { echo "no $peer: build the release preset with perf on" >&2; exit 1; }
[ -z "$old" ] || [ -x "$old" ] || { echo "no $old: OLD must name a ZarnelNQueen binary" >&2; exit 1; }

# The checker: the rows (whitespace-separated, from the line after a line
# "Solution:" in ZarnelNQueen's output, or the whole file for the peer) must
# be a permutation of 0 .. N-1 with no two queens on one diagonal.
check() {
    python3 - "$1" "$2" "$3" <<'PY'
import sys
path, kind, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
text = open(path).read()
if kind == 'zarnel':
    text = text[text.index('Solution:') + len('Solution:'):]
rows = [int(x) for x in text.split()]
ok = len(rows) == n and sorted(rows) == list(range(n)) \
    and len({r + c for c, r in enumerate(rows)}) == n and len({r - c for c, r in enumerate(rows)}) == n
sys.exit(0 if ok else 1)
PY
}

# Wall seconds from START (date +%s.%N) to now, and the peak kilobytes of
# the /usr/bin/time -v output in $work/time (its own wall clock shows only
# hundredths).
measure() {
    local end
    end=$(date +%s.%N)
    awk -v s="$1" -v e="$end" -F': ' '/Maximum resident set size/ { kb = $2 } END { printf "%.3f %d", e - s, kb }' "$work/time"
}

# zarnel N SEED [BINARY NAME]: appends "seconds kilobytes solved" to
# $work/NAME.N (NAME zarnel, BINARY the one under test by default).
zarnel() {
    local n=$1 seed=$2 binary=${3:-$nqueen} name=${4:-zarnel} status=0 solved=0 start
    printf 'queens %s\npopulation_size %s\nslave_iterations 1\nslave_threads %s\nmutation_rate 0.05\noperators fast\nseed %s\n' \
        "$n" "$population" "$threads" "$seed" >"$work/q.txt"
    start=$(date +%s.%N)
    timeout "$cap" /usr/bin/time -v -o "$work/time" "$binary" "$work/q.txt" "$work/report.txt" \
        </dev/null >"$work/out.txt" 2>/dev/null || status=$?
    echo "$(measure "$start")" >"$work/m"
    [ "$status" = 0 ] && check "$work/out.txt" zarnel "$n" && solved=1
    echo "$(cat "$work/m") $solved" >>"$work/$name.$n"
}

# peer N SEED: the same for perf/min_conflicts.
peer() {
    local n=$1 seed=$2 status=0 solved=0 start
    start=$(date +%s.%N)
    timeout "$cap" /usr/bin/time -v -o "$work/time" "$peer" "$n" "$seed" "$work/rows.txt" \
        >/dev/null 2>&1 || status=$?
    echo "$(measure "$start")" >"$work/m"
    [ "$status" = 0 ] && check "$work/rows.txt" peer "$n" && solved=1
    echo "$(cat "$work/m") $solved" >>"$work/peer.$n"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); population_size $population; work in $work"
echo
echo "| N | program | median wall s | solved | median peak MB | ratio to the peer |"
echo "|---|---|---|---|---|---|"
for n in $sizes; do
    for ((r = 1; r <= runs; ++r)); do
        zarnel "$n" "$r"
        [ -z "$old" ] || zarnel "$n" "$r" "$old" old
        peer "$n" "$r"
    done
    pz=$(cut -d' ' -f1 "$work/peer.$n" | median)
    names="zarnel peer"
    [ -z "$old" ] || names="zarnel old peer"
    for name in $names; do
        f=$work/$name.$n
        wall=$(cut -d' ' -f1 "$f" | median)
        mb=$(cut -d' ' -f2 "$f" | median | awk '{ printf "%.0f", $1 / 1024 }')
        solved=$(awk '{ s += $3 } END { print s }' "$f")
        case $name in
        zarnel) label="ZarnelNQueen operators fast, $threads threads" ;;
        old) label="the same, OLD binary" ;;
        *) label=min_conflicts ;;
        esac
        echo "| $n | $label | $wall | $solved/$runs | $mb | $(awk -v a="$wall" -v b="$pz" 'BEGIN { printf "%.2f", a / b }') |"
    done
done

# Time per child: the slave threads' busy milliseconds over the children they
# bred (steps), from the record, summed over the runs of each mode; and the
# median wall time of a run. A deterministic phase ends with the round in
# which a lane found a solution, so it breeds more children before the end. A run
# solves within a few children, so each mode runs three times as often.
echo
echo "| mode (10,000 queens, population 48, 2 threads, 3 x RUNS runs) | children | busy ms | ms per child | median wall s |"
echo "|---|---|---|---|---|"
for ((r = 1; r <= 3 * runs; ++r)); do
    for mode in no yes; do
        printf 'queens 10000\npopulation_size 48\nslave_iterations 4\nslave_threads 2\nmutation_rate 0.05\noperators fast\ndeterministic %s\nseed %s\njson_report %s\n' \
            "$mode" "$r" "$work/rec.json" >"$work/d.txt"
        timeout "$cap" "$nqueen" "$work/d.txt" "$work/report.txt" </dev/null >/dev/null 2>&1 || true
        python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); t=r["threads"]; print(sum(x["steps"] for x in t), sum(x["busy_ms"] for x in t), r["wall_seconds"])' \
            "$work/rec.json" >>"$work/mode.$mode"
    done
done
for mode in no yes; do
    wall=$(cut -d' ' -f3 "$work/mode.$mode" | median)
    awk -v m="$mode" -v w="$wall" '{ c += $1; b += $2 } END { printf "| deterministic %s | %d | %d | %.3f | %s |\n", m, c, b, b / c, w }' "$work/mode.$mode"
done
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
