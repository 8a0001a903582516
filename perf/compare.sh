#!/usr/bin/env bash
# Compares two builds of the zarnel_perf benchmarks side by side in one run:
# the rounds alternate between the two programs, and each benchmark's median
# real time over the rounds is printed with the ratio after / before.
#
#   perf/compare.sh BEFORE/zarnel_perf AFTER/zarnel_perf [FILTER] [ROUNDS]
#
# FILTER is a --benchmark_filter regex (default: the paths that count steps,
# claims and evaluations); ROUNDS defaults to 5.
set -euo pipefail
before=$1
after=$2
filter=${3:-'BM_NQueenEvaluate/64$|BM_GriewankEvaluate$|BM_TournamentStep/N:64/|BM_EngineSteps/(1|2)/|BM_ClaimRelease'}
rounds=${4:-5}
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((round = 1; round <= rounds; ++round)); do
    for side in before after; do
        program=$before
        [ "$side" = after ] && program=$after
        "$program" --benchmark_filter="$filter" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
            --benchmark_format=csv 2>/dev/null | grep '_median"' | sed "s/^/$side,/" >>"$results"
    done
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$results" <<'PYTHON'
import collections, csv, statistics, sys
times = collections.defaultdict(list)
for row in csv.reader(open(sys.argv[1])):
    times[(row[1].replace("_median", ""), row[0])].append((float(row[3]), row[5]))
print(f"{'benchmark':45s} {'before':>10s} {'after':>10s} {'ratio':>6s}")
for name in sorted({name for name, _ in times}):
    before = statistics.median(t for t, _ in times[(name, "before")])
    after = statistics.median(t for t, _ in times[(name, "after")])
    unit = times[(name, "before")][0][1]
    print(f"{name:45s} {before:8.3f}{unit:>2s} {after:8.3f}{unit:>2s} {after / before:6.3f}")
PYTHON
