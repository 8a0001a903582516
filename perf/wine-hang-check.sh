#!/usr/bin/env bash
# Counts hangs of the engine's waits under Wine: RUNS runs of ZarnelBench.exe
# and RUNS runs of the engine stress tests (framework_tests.exe, the
# CParallelGAStressTest cases), each stopped when it outlives its cap.
#
#   perf/wine-hang-check.sh [build-dir]
#
# build-dir is a mingw-w64 cross build (default build/mingw, configured with
# `cmake --preset mingw` and built here if the two programs are missing).
# Environment: RUNS (default 100), STRESS_RUNS (default RUNS), BENCH_CAP
# (seconds, 30), STRESS_CAP (120), WINEPREFIX (default /tmp/zarnel-wine). Prints one line per program: runs,
# hangs (stopped at the cap), failures (any other non-zero exit) and the
# slowest finished run. Exits 1 if any run hung or failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/mingw}
runs=${RUNS:-100}
stress_runs=${STRESS_RUNS:-$runs}
bench_cap=${BENCH_CAP:-30}
stress_cap=${STRESS_CAP:-120}
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-/tmp/zarnel-wine}

bench=$(find "$build" -name ZarnelBench.exe -print -quit 2>/dev/null || true)
stress=$(find "$build" -name framework_tests.exe -print -quit 2>/dev/null || true)
if [ -z "$bench" ] || [ -z "$stress" ]; then
    [ -f "$build/CMakeCache.txt" ] || cmake --preset mingw >/dev/null
    cmake --build "$build" --target ZarnelBench framework_tests -j"$(nproc)" >/dev/null
    bench=$(find "$build" -name ZarnelBench.exe -print -quit)
    stress=$(find "$build" -name framework_tests.exe -print -quit)
fi
wine=$(command -v wine || echo /usr/lib/wine/wine64)
# Builds the prefix once, so that its start-up is not counted in a run.
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1 && wineserver -w; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# count <name> <runs> <cap> <program> [args...]
count() {
    local name=$1 runs=$2 cap=$3
    shift 3
    local hangs=0 failures=0 slowest=0 i status start elapsed
    for ((i = 1; i <= runs; i++)); do
        start=$(date +%s%N)
        status=0
        timeout -k 5 "$cap" "$wine" "$@" >"$work/out" 2>&1 </dev/null || status=$?
        elapsed=$((($(date +%s%N) - start) / 1000000))
        if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
            hangs=$((hangs + 1))
            # A killed program can leave Wine's service processes behind.
            wineserver -k 2>/dev/null || true
        elif [ "$status" -ne 0 ]; then
            failures=$((failures + 1))
            tail -n 20 "$work/out" >&2
        elif [ "$elapsed" -gt "$slowest" ]; then
            slowest=$elapsed
        fi
    done
    echo "$name: $runs runs, $hangs hangs (cap ${cap} s), $failures failures, slowest finished run ${slowest} ms"
    [ $((hangs + failures)) -eq 0 ] || failed=1
}

count ZarnelBench.exe "$runs" "$bench_cap" "$bench"
count "engine stress tests" "$stress_runs" "$stress_cap" "$stress" --gtest_filter='CParallelGAStressTest.*'
exit "$failed"
