#!/usr/bin/env bash
# The multi-start baseline on the example's instances: perf/tsp_multistart
# (restarts of the 2-opt + Or-opt local search from random tours) for a fixed
# time, several seeds per instance, and the median gap to the optimum. The
# runs of one seed are interleaved over the instances, so a burst of load on a
# shared machine spreads over all of them.
#
#   perf/tsp_baseline.sh [build-dir]
#
# Environment: SEEDS (default "1 2 3 4 5"), SHORT (seconds for eil51,
# berlin52, kroA100 and ch150, default 10), LONG (seconds for a280 and
# pcb442, default 60), CPU=1 to count processor time instead of wall time
# (fair on a loaded machine). Prints one markdown row per instance and the
# machine load before and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
program=$build/perf/tsp_multistart
data=$root/examples/tsp/data
seeds=${SEEDS:-"1 2 3 4 5"}
short=${SHORT:-10}
long=${LONG:-60}
cpu=${CPU:+--cpu}
[ -x "$program" ] || { echo "no $program: build the release preset first" >&2; exit 1; }

declare -A optimum=([eil51]=426 [berlin52]=7542 [kroA100]=21282 [ch150]=6528 [a280]=2579 [pcb442]=50778)
instances="eil51 berlin52 kroA100 ch150 a280 pcb442"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "load before: $(uptime)"
for seed in $seeds; do
    for name in $instances; do
        case $name in a280 | pcb442) seconds=$long ;; *) seconds=$short ;; esac
        "$program" "$data/$name.tsp" "$seconds" "$seed" "${optimum[$name]}" $cpu >>"$work/$name"
    done
done
echo "load after: $(uptime)"

echo "| instance | optimum | seconds | median best | median gap | gaps |"
echo "| --- | ---: | ---: | ---: | ---: | --- |"
for name in $instances; do
    case $name in a280 | pcb442) seconds=$long ;; *) seconds=$short ;; esac
    python3 - "$work/$name" "$name" "${optimum[$name]}" "$seconds" <<'PY'
import statistics, sys
path, name, optimum, seconds = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
best = [int(line.split(" best ")[1].split()[0]) for line in open(path)]
gaps = [100.0 * (b - optimum) / optimum for b in best]
print(f"| {name} | {optimum} | {seconds} | {statistics.median(best):g} | {statistics.median(gaps):.2f} % | "
      + " ".join(f"{g:.2f}" for g in sorted(gaps)) + " |")
PY
done
