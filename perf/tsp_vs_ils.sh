#!/usr/bin/env bash
# The TSP example (examples/tsp, memetic: edge assembly crossover and 2-opt +
# Or-opt) against iterated local search (perf/tsp_ils: two independent runs
# at once, the better kept), both for the same wall-clock seconds on the
# same number of threads. Per seed the instances run one after the other,
# each with the peer and then the example, so a burst of load falls on both
# sides alike. Every tour either side reports is checked by an independent
# length computation from the TSPLIB coordinates (tsp_check.py); a mismatch
# fails the script.
#
#   perf/tsp_vs_ils.sh [build-dir]
#
# Environment: SEEDS (default "1 2 3 4 5"), SECONDS_EACH (default 60),
# THREADS (default 2), INSTANCES (default all of the table below),
# TSP_ARGS (more flags for the example, e.g. "--ablate one_try"). Prints the
# load before and after and one markdown table: per instance the median gap
# to the optimum of each side, the runs of the example that reached the
# optimum, and the gaps of every seed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
tsp=$build/examples/tsp/tsp
ils=$build/perf/tsp_ils
seeds=${SEEDS:-"1 2 3 4 5"}
seconds=${SECONDS_EACH:-60}
threads=${THREADS:-2}
tsp_args=${TSP_ARGS:-}
for program in "$tsp" "$ils"; do
    [ -x "$program" ] || { echo "no $program: build the release preset (targets tsp and tsp_ils) first" >&2; exit 1; }
done

# name -> file and optimum (TSPLIB's published optimal tour lengths).
declare -A file=(
    [a280]=$root/examples/tsp/data/a280.tsp [pcb442]=$root/examples/tsp/data/pcb442.tsp
    [fl417]=$root/perf/data/tsplib/fl417.tsp [att532]=$root/perf/data/tsplib/att532.tsp
    [rat783]=$root/perf/data/tsplib/rat783.tsp [d1291]=$root/perf/data/tsplib/d1291.tsp
    [pcb3038]=$root/perf/data/tsplib/pcb3038.tsp
    # Not in the repository (no stored public copy was found to name as its
    # source): put TSPLIB's rat575.tsp there to run it with INSTANCES=rat575.
    [rat575]=$root/perf/data/tsplib/rat575.tsp)
declare -A optimum=([a280]=2579 [pcb442]=50778 [fl417]=11861 [att532]=27686 [rat783]=8806 [d1291]=50801
    [pcb3038]=137694 [rat575]=6773)
instances=${INSTANCES:-"a280 pcb442 fl417 att532 rat783 d1291 pcb3038"}
check="python3 $root/perf/tsp_check.py"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "load before: $(uptime)"
for seed in $seeds; do
    for name in $instances; do
        [ -n "${file[$name]:-}" ] || { echo "unknown instance $name" >&2; exit 1; }
        [ -f "${file[$name]}" ] || { echo "no ${file[$name]}: see perf/data/tsplib/README.md" >&2; exit 1; }
        "$ils" "${file[$name]}" "$seconds" "$seed" --runs "$threads" --tour "$work/ils.tour" >"$work/ils.out"
        length=$(sed 's/.* best //' "$work/ils.out")
        $check "${file[$name]}" tour "$work/ils.tour" "$length"
        echo "$length" >>"$work/$name.ils"
        # shellcheck disable=SC2086
        "$tsp" "${file[$name]}" --seed "$seed" --threads "$threads" --time-limit "$seconds" --quiet \
            --json "$work/tsp.json" $tsp_args >"$work/tsp.out"
        length=$(tail -n 1 "$work/tsp.out" | sed 's/best length //')
        $check "${file[$name]}" record "$work/tsp.json" "$length"
        echo "$length" >>"$work/$name.tsp"
    done
done
echo "load after: $(uptime)"

echo "| instance | cities | optimum | seconds | ILS × $threads median gap | example median gap | example at the optimum | ILS gaps % | example gaps % |"
echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | --- | --- |"
for name in $instances; do
    python3 - "$work/$name.ils" "$work/$name.tsp" "$name" "${optimum[$name]}" "$seconds" "${file[$name]}" <<'PY'
import statistics, sys
ils_path, tsp_path, name, optimum, seconds, path = sys.argv[1:7]
optimum = int(optimum)
cities = next(int(line.split(":")[1]) for line in open(path) if line.startswith("DIMENSION"))
def gaps(p):
    return sorted(100.0 * (int(line) - optimum) / optimum for line in open(p))
ils, tsp = gaps(ils_path), gaps(tsp_path)
hits = sum(1 for g in tsp if g == 0)
print(f"| {name} | {cities} | {optimum} | {seconds} | {statistics.median(ils):.3f} % | "
      f"{statistics.median(tsp):.3f} % | {hits} of {len(tsp)} | "
      + " ".join(f"{g:.2f}" for g in ils) + " | " + " ".join(f"{g:.2f}" for g in tsp) + " |")
PY
done
