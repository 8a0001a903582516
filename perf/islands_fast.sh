#!/usr/bin/env bash
# operators fast at 65536 queens: one island against two of the same total
# population and the same total slave threads (1 island: 8 individuals, 2
# slave threads; 2 islands: 4 individuals and 1 slave thread each), as a
# markdown table of runs solved and the median process wall time of mpirun.
#
#   perf/islands_fast.sh [build-dir]     (default build/release)
#
# Environment: RUNS (default 7) runs per row, interleaved; every run gets its
# own seed (1, 2, ...), the same for both rows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${RUNS:-7}
cmake --build "$build" --target ZarnelNQueenIslands -j"$(nproc)" >/dev/null
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A solved times
for run in $(seq "$runs"); do
    for islands in 1 2; do
        population=$((8 / islands)) threads=$((2 / islands))
        printf 'queens 65536\npopulation_size %d\nslave_iterations 10\nslave_threads %d\nmutation_rate 0.25\noperators fast\nseed %d\ntime_limit 60\n' \
            "$population" "$threads" "$run" >"$work/p.txt"
        start=$(date +%s.%N)
        status=0
        (cd "$work" && mpirun -np "$islands" "$build/nqueen_islands/ZarnelNQueenIslands" p.txt r.txt \
            >/dev/null 2>&1) || status=$?
        end=$(date +%s.%N)
        [ "$status" -eq 0 ] && solved[$islands]=$((${solved[$islands]:-0} + 1))
        times[$islands]+="$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}') "
    done
done
echo "| islands | population each | slave threads each | solved | median s |"
echo "|---|---|---|---|---|"
for islands in 1 2; do
    median=$(printf '%s\n' ${times[$islands]} | sort -g |
        awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}')
    printf '| %d | %d | %d | %d/%d | %.3f |\n' "$islands" $((8 / islands)) $((2 / islands)) \
        "${solved[$islands]:-0}" "$runs" "$median"
done
