#!/usr/bin/env bash
# ZarnelBench's nineteen test functions side by side in one run: ZarnelBench
# with the classic bit strings and with --operators real, and pagmo2's sga,
# de, sade, pso and cmaes (perf/pagmo_bench, built where Debian's
# libpagmo-dev is installed), each at the evaluations per run of a default
# classic ZarnelBench run, the same seeds. The programs take turns function
# by function, so a burst of load on a shared machine spreads over all of
# them. Every best is scored on the classic decoding's 32-bit grid.
#
#   perf/pagmo_vs_zarnel.sh [build-dir]
#
# Environment: RUNS (default 5), SEED (1), FUNCTIONS (default: the nineteen
# of --all). Prints one markdown row per function: the median gap to the
# known best over the runs for each program (0: the known best itself), then
# each program's total wall seconds and the machine load.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${RUNS:-5}
seed=${SEED:-1}
functions=${FUNCTIONS:-"1000 1001 1002 1003 1004 1005 1006 1007 2000 2001 2002 2003 2004 40000 40001 40002 40003 40004 40005"}
bench=$build/bench/ZarnelBench
pagmo=$build/perf/pagmo_bench
algorithms="sga de sade pso cmaes"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$bench" ] || { echo "no $bench: build the release preset first" >&2; exit 1; }
if [ ! -x "$pagmo" ]; then
    echo "pagmo peer not built (tools/install-deps.sh peers installs libpagmo-dev): ZarnelBench only" >&2
    algorithms=""
fi

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# timed NAME COMMAND...: runs it, adds its wall seconds to NAME's total.
timed() {
    local name=$1 start end
    shift
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    echo "$end - $start" | bc >>"$work/$name.seconds"
}
for f in $functions; do
    timed classic "$bench" --function "$f" --runs "$runs" --seed "$seed" --json "$work/classic.$f.json" >/dev/null
    timed real "$bench" --function "$f" --runs "$runs" --seed "$seed" --operators real \
        --json "$work/real.$f.json" >/dev/null
    for a in $algorithms; do
        timed "$a" "$pagmo" --algorithm "$a" --function "$f" --runs "$runs" --seed "$seed" >"$work/$a.$f.txt"
    done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

python3 - "$work" "$functions" "$algorithms" <<'PY'
import json, math, statistics, sys
work, functions, algorithms = sys.argv[1], sys.argv[2].split(), sys.argv[3].split()
programs = ["classic", "real"] + algorithms

def gap(known, best):
    return math.inf if best is None or math.isnan(best) else known - best

print("| function | " + " | ".join(programs) + " |")
print("|---|" + "---|" * len(programs))
for f in functions:
    record = json.load(open(f"{work}/classic.{f}.json"))
    known = record["runs"][0]["known_best"]
    cells = []
    for p in programs:
        if p in ("classic", "real"):
            bests = [r["best_fitness"] for r in json.load(open(f"{work}/{p}.{f}.json"))["runs"]]
        else:
            bests = [float(line.split()[4]) for line in open(f"{work}/{p}.{f}.txt")]
        g = statistics.median(gap(known, b) for b in bests)
        cells.append("0" if g == 0 else "%.2g" % g)
    print(f"| {f} | " + " | ".join(cells) + " |")
print()
print("| wall seconds | " + " | ".join(
    "%.1f" % sum(float(x) for x in open(f"{work}/{p}.seconds")) for p in programs) + " |")
PY
echo
echo "load average before: $load_before; after: $load_after; $(nproc) cores"
