#!/usr/bin/env bash
# Measures Zarnel's hot paths and programs and prints one table (markdown).
#
#   perf/run.sh [build-dir]
#
# Builds the programs (Release) in build-dir, default build/perf; runs the Google Benchmark program zarnel_perf with repeated
# runs (medians are reported); runs ZarnelNQueen on perf/params/queens{8,16,32,
# 64,128}.txt RUNS times each (a run longer than CAP seconds is stopped and
# counted as not finished) and ZarnelBench BENCH_RUNS times; then prints the
# table. A size whose runs hit the cap GIVE_UP times is not run further, which
# keeps the whole script to about ten minutes. Environment: REPETITIONS
# (default 5), RUNS (10), CAP (45), GIVE_UP (2), BENCH_RUNS (5), KEEP (a
# directory to keep the raw results in), FILTER (a --benchmark_filter regex,
# for quick checks; the table needs every benchmark).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/perf}
repetitions=${REPETITIONS:-5}
runs=${RUNS:-10}
cap=${CAP:-45}
give_up=${GIVE_UP:-2}
bench_runs=${BENCH_RUNS:-5}
sizes=(8 16 32 64 128)

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target zarnel_perf ZarnelNQueen ZarnelBench -j"$(nproc)" >/dev/null

results=${KEEP:-$(mktemp -d)}
mkdir -p "$results"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

load() { cut -d' ' -f1-3 /proc/loadavg; }
now() { date +%s.%N; }

echo "load before: $(load)" >"$results/load.txt"

# 1-6: the benchmark program. Medians of the repetitions go to the JSON file;
# the repetitions of all benchmarks are interleaved in random order, so that a
# burst of load on this shared machine spreads over the benchmark and its
# reference instead of hitting one of them.
echo "running zarnel_perf ($repetitions repetitions)..." >&2
"$build/perf/zarnel_perf" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true \
    --benchmark_filter="${FILTER:-.}" \
    --benchmark_out="$results/benchmarks.json" --benchmark_out_format=json >"$results/benchmarks.txt" 2>&1
echo "load after benchmarks: $(load)" >>"$results/load.txt"

# 7: end to end. One line per run: N, exit status, seconds, master
# iterations (from the report), peak resident set in KiB.
: >"$results/nqueen_runs.txt"
for n in "${sizes[@]}"; do
    echo "running ZarnelNQueen N=$n x $runs..." >&2
    capped=0
    for ((r = 1; r <= runs && capped < give_up; r++)); do
        rm -f "$work/report.txt" "$work/rss.txt"
        start=$(now)
        status=0
        (cd "$work" && /usr/bin/time -f %M -o "$work/rss.txt" timeout "$cap" \
            "$build/nqueen/ZarnelNQueen" "$root/perf/params/queens$n.txt" report.txt </dev/null >/dev/null 2>&1) ||
            status=$?
        end=$(now)
        iterations=$(sed -n 's/^# Total master iterations: *//p' "$work/report.txt" 2>/dev/null || true)
        rss=$(tail -n 1 "$work/rss.txt" 2>/dev/null || echo 0)
        echo "$n $status $(echo "$end - $start" | bc) ${iterations:-0} ${rss:-0}" >>"$results/nqueen_runs.txt"
        [ "$status" -ne 124 ] || capped=$((capped + 1))
        # Each run seeds from the clock's milliseconds.
        sleep 0.01
    done
done

: >"$results/bench_runs.txt"
echo "running ZarnelBench x $bench_runs..." >&2
for ((r = 1; r <= bench_runs; r++)); do
    start=$(now)
    /usr/bin/time -f %M -o "$work/rss.txt" "$build/bench/ZarnelBench" </dev/null >/dev/null
    end=$(now)
    echo "$(echo "$end - $start" | bc) $(tail -n 1 "$work/rss.txt")" >>"$results/bench_runs.txt"
done
echo "load at the end: $(load)" >>"$results/load.txt"

python3 "$root/perf/table.py" "$results" "$root/perf/params"
[ -n "${KEEP:-}" ] || rm -rf "$results"
