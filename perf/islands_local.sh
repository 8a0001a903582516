#!/usr/bin/env bash
# Classic operators at 64 queens in one process: ZarnelNQueen with the islands
# key against one population of the same total size (perf/params/islands64_*
# settings: 4 islands of 12 individuals against 1 of 48, one slave thread
# each), as a markdown table of runs solved within the time limit and the
# median time (an unsolved run counts as the limit). A last row runs the 4
# islands with migrants 0: four independent searches of 12, which tells the
# effect of migration from that of the population size.
#
#   perf/islands_local.sh [build-dir]     (default build/release)
#
# Environment: RUNS (default 5) runs per row, LIMIT (default 30) seconds per
# run (time_limit). Runs are interleaved (seed 1 of every row, then seed 2,
# ...), so a burst of load on the machine spreads over all rows; every row
# gets the same seeds. The load average is printed before and after: on a
# shared machine the times are context, the solved counts the result.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${RUNS:-5}
limit=${LIMIT:-30}
program=$build/nqueen/ZarnelNQueen
[ -x "$program" ] || { echo "no $program: build the release preset first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rows="1 4 4-alone"
declare -A solved times
echo "load before: $(uptime)"
for run in $(seq "$runs"); do
    for row in $rows; do
        islands=${row%-alone}
        { cat "$root/perf/params/islands64_$islands.txt"; echo "seed $run"; echo "time_limit $limit"
            [ "$islands" = 1 ] || echo "islands $islands"
            [ "$row" = "$islands" ] || echo "migrants 0"; } >"$work/p.txt"
        start=$(date +%s.%N)
        status=0
        (cd "$work" && "$program" p.txt r.txt </dev/null >/dev/null 2>&1) || status=$?
        end=$(date +%s.%N)
        if [ "$status" -eq 0 ]; then
            solved[$row]=$((${solved[$row]:-0} + 1))
            times[$row]+="$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}') "
        else
            times[$row]+="$limit "
        fi
    done
done
echo "load after: $(uptime)"
echo "| islands | population each | slave threads each | solved | median s | times (sorted) |"
echo "|---|---|---|---|---|---|"
for row in $rows; do
    islands=${row%-alone}
    sorted=$(printf '%s\n' ${times[$row]} | sort -g)
    median=$(echo "$sorted" | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}')
    population=$(awk '/^population_size/ {print $2}' "$root/perf/params/islands64_$islands.txt")
    printf '| %s | %d | 1 | %d/%d | %.1f | %s |\n' "$row" "$population" "${solved[$row]:-0}" "$runs" "$median" \
        "$(echo "$sorted" | awk '{printf "%.1f ", $1}')"
done
