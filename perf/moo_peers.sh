#!/usr/bin/env bash
# The comparison of several objectives and constraints, Zarnel beside its
# peers: ZarnelSuites (automatic survival, and NSGA-III on the problems of 3
# objectives), pagmo2 (nsga2, moead and nspso on the problems of several
# objectives; gaco, ihs and cstrs_self_adaptive around sade on those of one)
# and DEAP (NSGA-II and NSGA-III) on the suites' problems, each at the
# suite's population and evaluations, the same seeds; every final
# population (Zarnel's final front) is scored by perf/score_front, one code
# for every side. Programs take turns problem by problem and problems seed
# by seed, so a burst of load on a shared machine spreads over all.
#
#   perf/moo_peers.sh [build-dir]
#
# Environment: SEEDS (default "1 2 … 10", the issue's measurement: hours,
# most of them DEAP's; SEEDS=1 PROBLEMS="zdt1 dtlz2" for a look), PROBLEMS
# (default: every problem of score_front --list), KEEP (a directory to keep
# the final populations in), ZARNEL_THREADS (default 1: the peers run on
# one thread). Prints one markdown row per problem and program: the medians
# over the seeds of the hypervolume, IGD+ and feasible share (several
# objectives) or of the best feasible value and its relative gap to the
# best known (one), then the evaluations and seconds of a run, and the
# machine load.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
seeds=${SEEDS:-1 2 3 4 5 6 7 8 9 10}
zarnel_threads=${ZARNEL_THREADS:-1}
score=$build/perf/score_front
pagmo=$build/perf/pagmo_moo
suites=$build/bench/ZarnelSuites
[ -x "$score" ] || { echo "no $score: build the release preset first" >&2; exit 1; }
problems=${PROBLEMS:-$("$score" --list)}
work=${KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
have_deap=1
/usr/bin/python3 -c 'import deap' 2>/dev/null || { echo "DEAP not found (python3-deap): pagmo2 only" >&2; have_deap=0; }
[ -x "$pagmo" ] || echo "pagmo2 peer not built (libpagmo-dev): DEAP only" >&2
[ -x "$suites" ] || { echo "no $suites: build the release preset first" >&2; exit 1; }

for seed in $seeds; do
    for problem in $problems; do
        objectives=$("$score" --info "$problem" | awk '$1 == "objectives" {print $2}')
        if [ "$objectives" -gt 1 ]; then
            pagmo_algorithms="nsga2 moead nspso"
            deap_algorithms="nsga2 nsga3"
        else
            pagmo_algorithms="gaco ihs sade"
            deap_algorithms=""
        fi
        zarnel_survivals=automatic
        [ "$objectives" -eq 3 ] && zarnel_survivals="automatic nsga3"
        for survival in $zarnel_survivals; do
            "$suites" --problem "$problem" --seed "$seed" --threads "$zarnel_threads" --survival "$survival" \
                --out "$work" >/dev/null
        done
        if [ -x "$pagmo" ]; then
            for algorithm in $pagmo_algorithms; do
                "$pagmo" --problem "$problem" --algorithm "$algorithm" --seed "$seed" \
                    --out "$work/$problem.pagmo2-$algorithm.$seed.txt"
            done
        fi
        if [ "$have_deap" = 1 ]; then
            for algorithm in $deap_algorithms; do
                /usr/bin/python3 "$root/perf/deap_moo.py" --problem "$problem" --algorithm "$algorithm" \
                    --seed "$seed" --out "$work/$problem.deap-$algorithm.$seed.txt" --score-front "$score"
            done
        fi
    done
done

/usr/bin/python3 "$root/perf/moo_table.py" "$score" "$work" $problems
echo
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
