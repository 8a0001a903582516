#!/usr/bin/env bash
# The TSP example (every child improved by 2-opt + Or-opt) on one population
# against islands of the same total population on the same two slave
# threads: 1 island of 48 on 2 slave threads; 4 islands of 12 in one process
# (--islands 4 --threads 2: two islands with a slave thread each, two that
# run their steps on their own master thread); and, when the example was
# built with MPI, 3 islands of 16 over MPI (mpirun -np 3, --threads 0: each
# process one thread that runs the steps). Every run gets the same time
# limit; the table gives the median gap to the optimum over the seeds.
#
#   perf/tsp_islands.sh [build-dir]     (default build/release)
#
# Environment: SEEDS (default "1 2 3 4 5"), INSTANCE (default pcb442),
# SECONDS_EACH (default 60), ROWS (default "one local mpi"), INTERVAL (the
# migration interval, default 100). Runs are interleaved (seed by seed, row
# by row); the load average is printed before and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
tsp=$build/examples/tsp/tsp
seeds=${SEEDS:-"1 2 3 4 5"}
instance=${INSTANCE:-pcb442}
seconds=${SECONDS_EACH:-60}
rows=${ROWS:-"one local mpi"}
interval=${INTERVAL:-100}
[ -x "$tsp" ] || { echo "no $tsp: build the release preset first" >&2; exit 1; }
declare -A optimum=([eil51]=426 [berlin52]=7542 [kroA100]=21282 [ch150]=6528 [a280]=2579 [pcb442]=50778)
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$root/examples/tsp/data/$instance.tsp

echo "load before: $(uptime)"
for seed in $seeds; do
    for row in $rows; do
        case $row in
            one) "$tsp" "$file" --seed "$seed" --threads 2 --population 48 --time-limit "$seconds" --quiet ;;
            local) "$tsp" "$file" --seed "$seed" --threads 2 --population 12 --islands 4 \
                --migration-interval "$interval" --time-limit "$seconds" --quiet ;;
            mpi) mpirun -np 3 --oversubscribe "$tsp" "$file" --mpi --seed "$seed" --threads 0 --population 16 \
                --migration-interval "$interval" --time-limit "$seconds" --quiet 2>/dev/null ;;
        esac | tail -n 1 >>"$work/$row"
    done
done
echo "load after: $(uptime)"

echo "| setting | islands × population | median length | median gap | gaps (sorted) |"
echo "| --- | --- | ---: | ---: | --- |"
for row in $rows; do
    case $row in
        one) shape="1 × 48" ;;
        local) shape="4 × 12, one process" ;;
        mpi) shape="3 × 16, 3 MPI processes" ;;
    esac
    python3 - "$work/$row" "$row" "${optimum[$instance]}" "$shape" <<'PY'
import statistics, sys
path, row, optimum, shape = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
best = [int(line.split()[-1]) for line in open(path) if line.startswith("best length")]
gaps = [100.0 * (b - optimum) / optimum for b in best]
print(f"| {row} | {shape} | {statistics.median(best):g} | {statistics.median(gaps):.2f} % | "
      + " ".join(f"{g:.2f}" for g in sorted(gaps)) + " |")
PY
done
