#!/usr/bin/env bash
# Wall time of ZarnelSuites (zarnel::Solve) against pagmo2's nsga2 at the
# same population and evaluations, the two programs taking turns run by run
# so that a burst of load on a shared machine falls on both.
#
#   perf/moo_walltime.sh [build-dir]
#
# Environment: PROBLEMS (default "zdt1 dtlz2"), RUNS (default 11; run r uses
# seed r), ZARNEL_THREADS (default 1: the peer runs on one thread; 0 makes
# the master work alone). Prints one markdown row per problem: the medians
# of each program's process wall time (start to exit, files written), of
# the seconds the program reports for its run alone and of its processor
# time (user + system, from /usr/bin/time, which a loaded machine disturbs
# least), each with the ratio of the medians, then the load average before
# and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
problems=${PROBLEMS:-zdt1 dtlz2}
runs=${RUNS:-11}
zarnel_threads=${ZARNEL_THREADS:-1}
suites=$build/bench/ZarnelSuites
pagmo=$build/perf/pagmo_moo
for program in "$suites" "$pagmo"; do
    [ -x "$program" ] || { echo "no $program: build ZarnelSuites and pagmo_moo (release preset)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
# The user + system seconds /usr/bin/time wrote.
cpu() { awk '{print $1 + $2}' "$1"; }
# The seconds a program's front file reports for its run.
reported() { awk '$1 == "#" && $2 == "seconds" {print $3; exit}' "$1"; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for problem in $problems; do
    : >"$work/$problem.times"
    for run in $(seq 1 "$runs"); do
        start=$(now)
        /usr/bin/time -f "%U %S" -o "$work/cpu" "$suites" --problem "$problem" --seed "$run" \
            --threads "$zarnel_threads" --survival nsga2 --out "$work" >/dev/null
        end=$(now)
        echo "zarnel $(echo "$end - $start" | bc -l) $(reported "$work/$problem.zarnel-nsga2.$run.txt")" \
            "$(cpu "$work/cpu")" >>"$work/$problem.times"
        start=$(now)
        /usr/bin/time -f "%U %S" -o "$work/cpu" "$pagmo" --problem "$problem" --algorithm nsga2 --seed "$run" \
            --out "$work/$problem.pagmo.$run.txt"
        end=$(now)
        echo "pagmo $(echo "$end - $start" | bc -l) $(reported "$work/$problem.pagmo.$run.txt")" \
            "$(cpu "$work/cpu")" >>"$work/$problem.times"
    done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

/usr/bin/python3 - "$work" "$runs" $problems <<'EOF'
import statistics
import sys

work, runs, problems = sys.argv[1], sys.argv[2], sys.argv[3:]
print("| problem | runs | measure | ZarnelSuites s | pagmo2 nsga2 s | ratio |")
print("|---|---:|---|---:|---:|---:|")
for problem in problems:
    times = {"zarnel": ([], [], []), "pagmo": ([], [], [])}
    with open("%s/%s.times" % (work, problem)) as f:
        for line in f:
            program, *values = line.split()
            for column, value in zip(times[program], values):
                column.append(float(value))
    z = [statistics.median(t) for t in times["zarnel"]]
    p = [statistics.median(t) for t in times["pagmo"]]
    for k, measure in enumerate(["process wall", "run (reported)", "processor (user + system)"]):
        print("| %s | %s | %s | %.3f | %.3f | %.2f |" % (problem, runs, measure, z[k], p[k], z[k] / p[k]))
EOF
echo
echo "load average before: $load_before; after: $load_after"
