#!/usr/bin/env bash
# Classic operators at 64 queens on 1, 2 and 4 islands of the same total
# population (perf/params/islands64_{1,2,4}.txt: 48 individuals in all), as
# a markdown table: runs solved within the time limit and the median time;
# a last row "4-alone" runs 4 islands with migrants 0.
#
#   perf/islands.sh [build-dir]     (default build/release)
#
# Environment: RUNS (default 5) runs per island count, LIMIT (default 60)
# seconds per run (time_limit; an unsolved run counts as LIMIT in the
# median). Every run gets its own seed (1, 2, ...), the same for each island
# count. More islands than cores are oversubscribed: the islands share the
# cores, so a run of P islands gets 1/P of the machine per island, and its
# time is that of the whole run, not of one island.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${RUNS:-5}
limit=${LIMIT:-60}
cmake --build "$build" --target ZarnelNQueenIslands -j"$(nproc)" >/dev/null
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "| islands | population each | solved | median s |"
echo "|---|---|---|---|"
# The last row repeats 4 islands without migration (migrants 0): independent
# runs of the smaller population, which tells the effect of migration from
# that of the population size.
for row in 1 2 4 4-alone; do
    islands=${row%-alone}
    solved=0
    times=()
    for run in $(seq "$runs"); do
        { cat "$root/perf/params/islands64_$islands.txt"; echo "seed $run"; echo "time_limit $limit"
            [ "$row" = "$islands" ] || echo "migrants 0"; } >"$work/p.txt"
        start=$(date +%s.%N)
        status=0
        (cd "$work" && mpirun -np "$islands" --oversubscribe "$build/nqueen_islands/ZarnelNQueenIslands" \
            p.txt r.txt >/dev/null 2>&1) || status=$?
        end=$(date +%s.%N)
        if [ "$status" -eq 0 ]; then
            solved=$((solved + 1))
            times+=("$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')")
        else
            times+=("$limit")
        fi
    done
    median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}')
    population=$(awk '/^population_size/ {print $2}' "$root/perf/params/islands64_$islands.txt")
    printf '| %s | %d | %d/%d | %.1f |\n' "$row" "$population" "$solved" "$runs" "$median"
done
