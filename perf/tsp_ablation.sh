#!/usr/bin/env bash
# What each part of the TSP example's memetic GA buys: the example as it is
# and with one part left out at a time (its --ablate flag), the same seconds
# and threads each, interleaved per seed and instance so that load falls on
# all variants alike. Prints the load before and after and one markdown row
# per instance and variant with the median gap to the optimum.
#
#   perf/tsp_ablation.sh [build-dir]
#
# Environment: SEEDS (default "1 2 3"), SECONDS_EACH (default 20), THREADS
# (default 2), INSTANCES (default "att532 d1291 pcb3038"), VARIANTS (default
# all: "default one_try best_base no_kick whole_search random_start
# edge_recombination population_100 population_1000").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
tsp=$build/examples/tsp/tsp
[ -x "$tsp" ] || { echo "no $tsp: build the release preset first" >&2; exit 1; }
seeds=${SEEDS:-"1 2 3"}
seconds=${SECONDS_EACH:-20}
threads=${THREADS:-2}
instances=${INSTANCES:-"att532 d1291 pcb3038"}
variants=${VARIANTS:-"default one_try best_base no_kick whole_search random_start edge_recombination population_100 population_1000"}
declare -A file=([pcb442]=$root/examples/tsp/data/pcb442.tsp [fl417]=$root/perf/data/tsplib/fl417.tsp
    [att532]=$root/perf/data/tsplib/att532.tsp [rat783]=$root/perf/data/tsplib/rat783.tsp
    [d1291]=$root/perf/data/tsplib/d1291.tsp [pcb3038]=$root/perf/data/tsplib/pcb3038.tsp)
declare -A optimum=([pcb442]=50778 [fl417]=11861 [att532]=27686 [rat783]=8806 [d1291]=50801 [pcb3038]=137694)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "load before: $(uptime)"
for seed in $seeds; do
    for name in $instances; do
        for variant in $variants; do
            case $variant in
                default) extra=() ;;
                population_*) extra=(--population "${variant#population_}") ;;
                *) extra=(--ablate "$variant") ;;
            esac
            "$tsp" "${file[$name]}" --seed "$seed" --threads "$threads" --time-limit "$seconds" --quiet \
                "${extra[@]}" | tail -n 1 | sed 's/best length //' >>"$work/$name.$variant"
        done
    done
done
echo "load after: $(uptime)"
echo "| instance | variant | median gap | gaps % (sorted) |"
echo "| --- | --- | ---: | --- |"
for name in $instances; do
    for variant in $variants; do
        python3 - "$work/$name.$variant" "$name" "${optimum[$name]}" "$variant" <<'PY'
import statistics, sys
path, name, optimum, variant = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
gaps = sorted(100.0 * (int(line) - optimum) / optimum for line in open(path))
print(f"| {name} | {variant} | {statistics.median(gaps):.3f} % | " + " ".join(f"{g:.2f}" for g in gaps) + " |")
PY
    done
done
