#!/usr/bin/env bash
# What it costs Solve to make a seed repeat a run: perf/seed_modes.cpp runs
# the TSP example's memetic problem (a280, pcb442), the knapsack example, a
# 200-bit OneMax and Rastrigin in 30 dimensions to the same evaluation budget
# in the sized default mode, the deterministic mode and the default mode with
# fixed steps (what a given seed chooses on 0 or 1 slave threads), round by
# round side by side, and prints the median nanoseconds per evaluation and the
# ratios to the sized mode; then the load before and after.
#
#   perf/seed_modes.sh [build-dir]
#
# Environment: ROUNDS (default 7), THREADS (default "0 1 2").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
rounds=${ROUNDS:-7}
threads=${THREADS:-"0 1 2"}
program=$build/perf/seed_modes
[ -x "$program" ] || { echo "no $program: build the target seed_modes first" >&2; exit 1; }
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
# shellcheck disable=SC2086
"$program" "$rounds" $threads
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
