#!/usr/bin/env bash
# The TSP example against its baselines, side by side on one machine: per
# instance and seed, the memetic GA (examples/tsp: every child improved by
# 2-opt + Or-opt), the same program as a plain GA (--plain), and restarts of
# the same local search from random tours (perf/tsp_multistart), each for
# the same time. The GA runs on THREADS slave threads; the multi-start
# baseline is one thread, so it gets THREADS times the time in processor
# seconds of its thread (the work of as many cores). Runs are interleaved
# (seed by seed, instance by instance), so a burst of load spreads over all.
#
#   perf/tsp_targets.sh [build-dir]
#
# Environment: SEEDS (default "1 2 3 4 5"), SHORT (seconds for eil51,
# berlin52, kroA100 and ch150, default 10), LONG (seconds for a280 and
# pcb442, default 60), THREADS (default 2), INSTANCES (default all six),
# PROGRAMS (default "memetic plain multistart"). Prints the load before and
# after and one markdown row per instance and program with the median gap.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
tsp=$build/examples/tsp/tsp
multistart=$build/perf/tsp_multistart
data=$root/examples/tsp/data
seeds=${SEEDS:-"1 2 3 4 5"}
short=${SHORT:-10}
long=${LONG:-60}
threads=${THREADS:-2}
instances=${INSTANCES:-"eil51 berlin52 kroA100 ch150 a280 pcb442"}
programs=${PROGRAMS:-"memetic plain multistart"}
for program in "$tsp" "$multistart"; do
    [ -x "$program" ] || { echo "no $program: build the release preset first" >&2; exit 1; }
done

declare -A optimum=([eil51]=426 [berlin52]=7542 [kroA100]=21282 [ch150]=6528 [a280]=2579 [pcb442]=50778)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "load before: $(uptime)"
for seed in $seeds; do
    for name in $instances; do
        case $name in a280 | pcb442) seconds=$long ;; *) seconds=$short ;; esac
        for program in $programs; do
            case $program in
                memetic) "$tsp" "$data/$name.tsp" --seed "$seed" --threads "$threads" --time-limit "$seconds" --quiet ;;
                plain) "$tsp" "$data/$name.tsp" --plain --seed "$seed" --threads "$threads" --time-limit "$seconds" --quiet ;;
                multistart) "$multistart" "$data/$name.tsp" "$((seconds * threads))" "$seed" "${optimum[$name]}" --cpu |
                    sed 's/.* best \([0-9]*\).*/best length \1/' ;;
            esac | tail -n 1 >>"$work/$name.$program"
        done
    done
done
echo "load after: $(uptime)"

echo "| instance | optimum | seconds | program | median length | median gap | gaps (sorted) |"
echo "| --- | ---: | ---: | --- | ---: | ---: | --- |"
for name in $instances; do
    case $name in a280 | pcb442) seconds=$long ;; *) seconds=$short ;; esac
    for program in $programs; do
        python3 - "$work/$name.$program" "$name" "${optimum[$name]}" "$seconds" "$program" <<'PY'
import statistics, sys
path, name, optimum, seconds, program = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
best = [int(line.split()[-1]) for line in open(path)]
gaps = [100.0 * (b - optimum) / optimum for b in best]
print(f"| {name} | {optimum} | {seconds} | {program} | {statistics.median(best):g} | "
      f"{statistics.median(gaps):.2f} % | " + " ".join(f"{g:.2f}" for g in sorted(gaps)) + " |")
PY
    done
done
