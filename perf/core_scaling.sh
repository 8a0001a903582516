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
# Then what a phase costs around its work at more threads: `core_scaling
# handover` (one knapsack step per thread per phase) for a few thousand
# phases at each of HANDOVER_THREADS, and once at 2 threads with 32,000
# individuals; per phase, the wall time (from the record's history, so the
# first population and the setting up are left out) and the master's busy
# time (the master pass).
# On a machine with fewer cores than threads the hand-over includes the
# threads' waiting for a core; say the core count beside the figures.
#
#   perf/core_scaling.sh [build-dir]      (default build/release)
#
# Environment: SECONDS_PER_RUN (default 10), ROUNDS (default 2), CASES (a
# subset of "tsp jobshop knapsack 100us 1ms"), HANDOVER_THREADS (default
# "1 2 4 16 64"; empty for none), PHASES (default 3000), KEEP=dir (keep the
# records). The defaults take about 4 minutes. Needs python3 and the targets
# tsp, jobshop and core_scaling.
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
        knapsack | 100us | 1ms) echo "$build/perf/core_scaling $1 --rounds-per-ms $per_ms" ;;
        *) echo "unknown case '$1'" >&2; exit 2 ;;
    esac
}

# The busy work is calibrated once, so that both thread counts do the same.
per_ms=$("$build/perf/core_scaling" calibrate)
echo "busy work: $per_ms rounds per millisecond"
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

: > "$out/handover.txt"
phases=${PHASES:-3000}
handover=${HANDOVER_THREADS-1 2 4 16 64}
if [ -n "$handover" ]; then
    for threads in $handover 2:32000; do
        population=0  # the default: max(100, 4 x threads)
        case $threads in *:*) population=${threads#*:} threads=${threads%%:*} ;; esac
        load=$(cut -d' ' -f1 /proc/loadavg)
        record="$out/handover-$threads-$population.json"
        "$build/perf/core_scaling" handover --threads "$threads" --population "$population" \
            --max-iterations "$phases" --quiet --json "$record" > /dev/null
        echo "$threads $load $record" >> "$out/handover.txt"
    done
fi

python3 - "$out/runs.txt" "$out/handover.txt" "$(nproc)" <<'PY'
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

if rows:
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

lines = open(sys.argv[2]).read().split("\n")
if any(lines):
    print()
    print(f"Around a phase, on {sys.argv[3]} cores (one knapsack step per thread per phase):")
    print()
    print("| slave threads | population | µs per phase | master pass, µs | load |")
    print("|---|---|---|---|---|")
    for line in filter(None, lines):
        threads, load, path = line.split()
        record = json.load(open(path))
        first, last = record["history"][0], record["history"][-1]
        per_phase = (last["seconds"] - first["seconds"]) / (last["iteration"] - first["iteration"])
        print(f"| {threads} | {record['parameters']['population']} | {1e6 * per_phase:.1f} "
              f"| {1e3 * record['master_busy_ms'] / record['master_iterations']:.1f} | {float(load):.1f} |")
PY
