#!/usr/bin/env bash
# Which settings of the generational scheme pay: each variant runs every
# problem over the same seeds (variants and problems take turns seed by seed,
# so a burst of load spreads over all), and perf/score_front scores every
# final population; prints one markdown table of medians per problem and
# variant (perf/moo_table.py).
#
#   perf/moo_ablation.sh [build-dir] VARIANT...
#
# A variant is a name followed by moo_scheme's flags, in one word:
#   perf/moo_ablation.sh build/release 'default' 'eta20 --sbx-eta 20'
# Environment: SEEDS (default "1 2 3 4 5"), THREADS (default 0: the scheme
# gives the same population at any thread count, and 0 spares the hand-offs
# between threads), PROBLEMS (default: every problem
# of several objectives), KEEP (a directory to keep the final populations in).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/release
if [ $# -gt 0 ] && [ -d "$1" ]; then build=$1; shift; fi
[ $# -gt 0 ] || { echo "usage: $0 [build-dir] 'NAME [FLAGS]'..." >&2; exit 2; }
score=$build/perf/score_front
scheme=$build/perf/moo_scheme
for program in "$score" "$scheme"; do
    [ -x "$program" ] || { echo "no $program: build the release preset first" >&2; exit 1; }
done
seeds=${SEEDS:-1 2 3 4 5}
problems=${PROBLEMS:-zdt1 zdt2 zdt3 zdt4 zdt6 dtlz1 dtlz2 dtlz3 dtlz4 dtlz5 dtlz6 dtlz7 dtlz2_5 dtlz2_8 bnh srn constr c2dtlz2}
work=${KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

for seed in $seeds; do
    for problem in $problems; do
        for variant in "$@"; do
            read -r -a words <<< "$variant"
            name=${words[0]}
            settings=() flags=()
            for word in "${words[@]:1}"; do
                if [ ${#flags[@]} -eq 0 ] && [[ $word == *=* ]]; then settings+=("$word"); else flags+=("$word"); fi
            done
            env ${settings[@]+"${settings[@]}"} "$scheme" --problem "$problem" --seed "$seed" \
                --out "$work/$problem.$name.$seed.txt" --threads "${THREADS:-0}" ${flags[@]+"${flags[@]}"}
        done
    done
done

/usr/bin/python3 "$root/perf/moo_table.py" "$score" "$work" $problems
echo
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
