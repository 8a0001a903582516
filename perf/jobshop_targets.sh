#!/usr/bin/env bash
# The job-shop example against the newcomer's design, side by side on one
# machine: per instance and seed, examples/jobshop (operation sequence as a
# permutation with repetition, active and semi-active decoders, N7 tabu
# search as improve) and perf/jobshop_baseline (plain permutation, active
# decoder, N5 descent, 1,000 individuals), each for the same time on the
# same slave threads, stopping early at the optimum or best known makespan.
# Runs are interleaved (seed by seed, instance by instance), so a burst of
# load spreads over both.
#
#   perf/jobshop_targets.sh [build-dir]
#
# Environment: SEEDS (default "1 2 3 4 5"), SECONDS_EACH (default 30),
# THREADS (default 2), INSTANCES (default: every instance in
# examples/jobshop/data), PROGRAMS (default "memetic baseline"), VARIANTS
# (more runs of the example with other flags, one "<label>: <flags>" a
# line, for an ablation: VARIANTS=$'descent: --search descent'). Prints
# the load before and after and one markdown row per instance and program:
# the median makespan, the median gap to the best known, the runs that
# reached it, and the mean of the 1-minute load averages seen at the start
# and end of its runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
jobshop=$build/examples/jobshop/jobshop
baseline=$build/perf/jobshop_baseline
data=$root/examples/jobshop/data
seeds=${SEEDS:-"1 2 3 4 5"}
seconds=${SECONDS_EACH:-30}
threads=${THREADS:-2}
programs=${PROGRAMS:-"memetic baseline"}
declare -A variant=()
while IFS= read -r line; do
    [ -n "$line" ] || continue
    label=${line%%:*}
    variant[$label]=${line#*:}
    programs="$programs $label"
done <<<"${VARIANTS:-}"
declare -A best=([ft06]=55 [ft10]=930 [la16]=945 [la17]=784 [la18]=848 [la19]=842 [la20]=902
    [la21]=1046 [la22]=927 [la23]=1032 [la24]=935 [la25]=977 [abz5]=1234 [abz6]=943 [abz7]=656
    [ta02]=1244 [ta03]=1218 [ta04]=1175 [ta05]=1224 [ta11]=1357 [ta12]=1367 [ta13]=1342)
instances=${INSTANCES:-"ft06 ft10 la16 la17 la18 la19 la20 la21 la22 la23 la24 la25 abz5 abz6 abz7 ta02 ta03 ta04 ta05 ta11 ta12 ta13"}
for program in "$jobshop" "$baseline"; do
    [ -x "$program" ] || { echo "no $program: build the release preset first" >&2; exit 1; }
done
load() { cut -d' ' -f1 /proc/loadavg; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "load before: $(uptime)"
for seed in $seeds; do
    for name in $instances; do
        for program in $programs; do
            case $program in
                memetic) command=("$jobshop" "$data/$name.txt") ;;
                baseline) command=("$baseline" "$data/$name.txt") ;;
                *) read -r -a flags <<<"${variant[$program]}"
                   command=("$jobshop" "$data/$name.txt" "${flags[@]}") ;;
            esac
            load >>"$work/$name.$program.load"
            "${command[@]}" --seed "$seed" --threads "$threads" --time-limit "$seconds" \
                --target "${best[$name]}" --quiet | tail -n 1 | sed 's/.* //' >>"$work/$name.$program"
            load >>"$work/$name.$program.load"
        done
    done
done
echo "load after: $(uptime)"

echo "| instance | best known | program | median makespan | median gap | reached | gaps % (sorted) | load |"
echo "| --- | ---: | --- | ---: | ---: | ---: | --- | ---: |"
for name in $instances; do
    for program in $programs; do
        python3 - "$work/$name.$program" "$name" "${best[$name]}" "$program" <<'PY'
import statistics, sys
path, name, best, program = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
makespans = [int(line) for line in open(path)]
loads = [float(line) for line in open(path + ".load")]
gaps = [100.0 * (m - best) / best for m in makespans]
reached = sum(m <= best for m in makespans)
print(f"| {name} | {best} | {program} | {statistics.median(makespans):g} | {statistics.median(gaps):.2f} % | "
      f"{reached}/{len(makespans)} | " + " ".join(f"{g:.2f}" for g in sorted(gaps)) +
      f" | {statistics.mean(loads):.1f} |")
PY
    done
done
