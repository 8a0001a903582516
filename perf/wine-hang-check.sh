#!/usr/bin/env bash
# Counts hangs of the engine's waits under Wine: RUNS runs of ZarnelBench.exe
# and STRESS_RUNS runs of the engine stress tests (framework_tests.exe, the
# CParallelGAStressTest cases).
#
#   perf/wine-hang-check.sh [build-dir]
#
# build-dir is a mingw-w64 cross build (default build/mingw, configured with
# `cmake --preset mingw` and built here if the two programs are missing).
#
# A run still going after its cap is watched for PROBE seconds: if its
# threads used no processor time in that while, every thread is asleep and
# the run counts as hung; if they did, it is only slow (a loaded machine) and
# is watched again, up to ten caps, after which it counts as hung too.
#
# Environment: RUNS (default 100), STRESS_RUNS (default RUNS), BENCH_CAP
# (seconds, default 30), STRESS_CAP (120), PROBE (10), LOG (a file that gets
# one line per run as it ends), WINEPREFIX (default /tmp/zarnel-wine). Prints
# one line per program: runs, hangs, failures (any other non-zero exit), slow
# runs (past the cap but busy) and the slowest finished run. Exits 1 if any
# run hung or failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/mingw}
runs=${RUNS:-100}
stress_runs=${STRESS_RUNS:-$runs}
bench_cap=${BENCH_CAP:-30}
stress_cap=${STRESS_CAP:-120}
probe=${PROBE:-10}
log=${LOG:-/dev/null}
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-/tmp/zarnel-wine}

find_exe() { find "$build" -name "$1" -print -quit 2>/dev/null || true; }
bench=$(find_exe ZarnelBench.exe)
stress=$(find_exe framework_tests.exe)
if [ -z "$bench" ] || [ -z "$stress" ]; then
    [ -f "$build/CMakeCache.txt" ] || cmake --preset mingw >/dev/null
    cmake --build "$build" --target ZarnelBench framework_tests -j"$(nproc)" >/dev/null
    bench=$(find_exe ZarnelBench.exe)
    stress=$(find_exe framework_tests.exe)
fi
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
# Builds the prefix once, so that its start-up is not counted in a run.
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1 && wineserver -w; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Processor time (clock ticks) used so far by every thread of process $1.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo -1; }

# run_one <cap> <program> [args...]: sets outcome to ok, failed or hung and
# elapsed to the milliseconds the run took.
run_one() {
    local cap=$1 start pid deadline before status=0 was_slow=0
    shift
    start=$(date +%s%N)
    "$wine" "$@" >"$work/out" 2>&1 </dev/null &
    pid=$!
    deadline=$((start / 1000000000 + cap))
    outcome=
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$(date +%s)" -ge "$deadline" ]; then
            before=$(cpu_ticks "$pid")
            sleep "$probe"
            if [ "$(cpu_ticks "$pid")" = "$before" ] || [ "$(date +%s)" -ge $((deadline + 9 * cap)) ]; then
                outcome=hung
                kill -9 "$pid" 2>/dev/null || true
                # A killed program can leave Wine's service processes behind.
                wineserver -k 2>/dev/null || true
                break
            fi
            was_slow=1
            deadline=$(($(date +%s) + cap))
        fi
        sleep 0.1
    done
    { wait "$pid" || status=$?; } 2>/dev/null
    slow=$((slow + was_slow))
    elapsed=$((($(date +%s%N) - start) / 1000000))
    if [ -z "$outcome" ]; then
        outcome=ok
        [ "$status" -eq 0 ] || outcome=failed
    fi
}

# count <name> <runs> <cap> <program> [args...]
count() {
    local name=$1 n=$2 cap=$3 hangs=0 failures=0 slowest=0 i
    slow=0
    shift 3
    for ((i = 1; i <= n; i++)); do
        # The shell's notice of a killed run is not wanted on the terminal.
        run_one "$cap" "$@" 2>/dev/null
        echo "$name run $i: $outcome, $elapsed ms" >>"$log"
        case $outcome in
            hung) hangs=$((hangs + 1)) ;;
            failed)
                failures=$((failures + 1))
                tail -n 20 "$work/out" >&2
                ;;
            ok) [ "$elapsed" -le "$slowest" ] || slowest=$elapsed ;;
        esac
    done
    echo "$name: $n runs, $hangs hangs, $failures failures, $slow slow past the ${cap} s cap," \
        "slowest finished run ${slowest} ms"
    [ $((hangs + failures)) -eq 0 ] || failed=1
}

count ZarnelBench.exe "$runs" "$bench_cap" "$bench"
count "engine stress tests" "$stress_runs" "$stress_cap" "$stress" --gtest_filter='CParallelGAStressTest.*'
exit "$failed"
