#!/usr/bin/env bash
# Whether a second slave thread doubles the evaluations: the improved TSP
# (examples/tsp on pcb442), the job shop (examples/jobshop on ta11), the
# knapsack example's instance as it is, and the same behind 100 µs and 1 ms
# of busy work per evaluation (perf/core_scaling.cpp), each run for the same
# time at 1 and at 2 slave threads. Rounds are interleaved (every case at
# both thread counts, the order of the two alternating, before the next
# round), so a change of load hits both sides alike. Runs take no seed: the
# phases are then sized from their measured cost at both thread counts (a
# given seed on 1 slave thread fixes them instead, so that the run repeats).
#
# From each run's record: evaluations per second (evaluations over
# wall_seconds, the first population included) and the busy share (the slave
# threads' busy_ms over threads × wall time: the time they spent in their
# phases rather than waiting for the next one). Prints one line per run, then
# one markdown table of medians over the rounds, with the ratio of 2 threads
# to 1 and the 1-minute load average seen before the runs.
#
#   perf/core_scaling.sh [build-dir]      (default build/release)
#
# Environment: SECONDS_PER_RUN (default 10), ROUNDS (default 2), CASES (a
# subset of "tsp jobshop knapsack 100us 1ms"), KEEP=dir (keep the records).
# The defaults take about 3.5 minutes. Needs python3 and the targets tsp,
# jobshop and core_scaling.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
seconds=${SECONDS_PER_RUN:-10}
rounds=${ROUNDS:-2}
cases=${CASES:-"tsp jobshop knapsack 100us 1ms"}
for program in examples/tsp/tsp examples/jobshop/jobshop perf/core_scaling; do
    [ -x "$build/$program" ] || { echo "no $build/$program: build the targets tsp, jobshop and core_scaling" >&2; exit 1; }
done
if [ -n "${KEEP:-}" ]; then
    mkdir -p "$KEEP"
    out=$(cd "$KEEP" && pwd)
else
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
fi

command_for() {
    case $1 in
        tsp) echo "$build/examples/tsp/tsp $root/examples/tsp/data/pcb442.tsp" ;;
        jobshop) echo "$build/examples/jobshop/jobshop $root/examples/jobshop/data/ta11.txt" ;;
        knapsack | 100us | 1ms) echo "$build/perf/core_scaling $1" ;;
        *) echo "unknown case '$1'" >&2; exit 2 ;;
    esac
}

: > "$out/runs.txt"
turn=0
for round in $(seq 1 "$rounds"); do
    for case in $cases; do
        command=$(command_for "$case")
        if [ $((turn % 2)) -eq 0 ]; then order="1 2"; else order="2 1"; fi
        turn=$((turn + 1))
        for threads in $order; do
            load=$(cut -d' ' -f1 /proc/loadavg)
            record="$out/$case-$threads-$round.json"
            rm -f "$record"
            # The examples' status says whether they reached a target; only
            # the record matters here.
            # shellcheck disable=SC2086
            $command --threads "$threads" --time-limit "$seconds" --quiet --json "$record" > /dev/null || true
            [ -s "$record" ] || { echo "$case at $threads thread(s) wrote no record" >&2; exit 1; }
            echo "$case $threads $round $load $record" >> "$out/runs.txt"
        done
    done
done

python3 - "$out/runs.txt" <<'PY'
import json, statistics, sys

rows = {}
print("case      threads round  load  evaluations/s  busy")
for line in open(sys.argv[1]):
    case, threads, round_, load, path = line.split()
    record = json.load(open(path))
    wall = record["wall_seconds"]
    rate = record["evaluations"] / wall
    busy = sum(t["busy_ms"] for t in record["threads"]) / (1000.0 * wall * len(record["threads"]))
    print(f"{case:9} {threads:>7} {round_:>5} {float(load):5.1f} {rate:14.1f} {100 * busy:4.0f} %")
    entry = rows.setdefault(case, {"loads": []})
    entry.setdefault(threads, {})[round_] = (rate, busy)
    entry["loads"].append(float(load))

print()
print("| case | evaluations/s, 1 thread | 2 threads | ratio | busy, 1 thread | 2 threads | load |")
print("|---|---|---|---|---|---|---|")
for case, entry in rows.items():
    one, two = entry["1"], entry["2"]
    ratios = [two[r][0] / one[r][0] for r in one if r in two]
    median = lambda values: statistics.median(values)
    print(f"| {case} | {median([v[0] for v in one.values()]):.0f} | {median([v[0] for v in two.values()]):.0f} "
          f"| {median(ratios):.2f} | {100 * median([v[1] for v in one.values()]):.0f} % "
          f"| {100 * median([v[1] for v in two.values()]):.0f} % "
          f"| {min(entry['loads']):.1f}–{max(entry['loads']):.1f} |")
PY
