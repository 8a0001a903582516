#!/usr/bin/env bash
# Constrained problems of one objective, Zarnel beside pagmo2: CEC 2006
# g01 … g24 (500,000 evaluations) and the pressure-vessel and welded-beam
# designs (100,000), population 100. ZarnelSuites with Solve's default
# operators and with each --variation of ZARNEL_VARIATIONS; pagmo2's gaco,
# ihs and cstrs_self_adaptive around sade (perf/pagmo_moo). Programs take
# turns problem by problem and problems seed by seed, so a burst of load on
# the shared machine spreads over all; every final population is scored by
# perf/score_front, one code for every side. Prints one table: per problem
# and program the median relative gap to the best known and the runs that
# found a feasible point, and whether the first Zarnel column meets the
# targets (perf/cec_table.py).
#
#   perf/cec_peers.sh [build-dir]
#
# Environment: SEEDS (default "1 2 3 4 5"), PROBLEMS (default: g01 … g24,
# pressure_vessel, welded_beam), ZARNEL_VARIATIONS (default "differential";
# the first one listed is the column the targets are checked for, "" for
# Solve's default alone), PAGMO (default "gaco ihs sade"; "" for Zarnel
# alone), KEEP (a directory to keep the final populations in).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
seeds=${SEEDS:-1 2 3 4 5}
problems=${PROBLEMS:-$(printf 'g%02d ' $(seq 1 24)) pressure_vessel welded_beam}
variations=${ZARNEL_VARIATIONS-differential}
pagmo_algorithms=${PAGMO-gaco ihs sade}
score=$build/perf/score_front
pagmo=$build/perf/pagmo_moo
suites=$build/bench/ZarnelSuites
for program in "$score" "$suites"; do
    [ -x "$program" ] || { echo "no $program: build the release preset first" >&2; exit 1; }
done
if [ ! -x "$pagmo" ] && [ -n "$pagmo_algorithms" ]; then
    echo "pagmo2 peer not built (libpagmo-dev): Zarnel only" >&2
    pagmo_algorithms=""
fi
work=${KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

for seed in $seeds; do
    for problem in $problems; do
        for variation in $variations; do
            "$suites" --problem "$problem" --seed "$seed" --threads 1 --variation "$variation" \
                --out "$work" >/dev/null
        done
        "$suites" --problem "$problem" --seed "$seed" --threads 1 --out "$work" >/dev/null
        for algorithm in $pagmo_algorithms; do
            "$pagmo" --problem "$problem" --algorithm "$algorithm" --seed "$seed" \
                --out "$work/$problem.pagmo2-$algorithm.$seed.txt"
        done
    done
    echo "seed $seed done, load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
done

columns=""
for variation in $variations; do columns="$columns zarnel-$variation"; done
columns="$columns zarnel"
for algorithm in $pagmo_algorithms; do columns="$columns pagmo2-$algorithm"; done
echo "seeds: $seeds"
/usr/bin/python3 "$root/perf/cec_table.py" "$score" "$work" $columns -- $problems
echo
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
