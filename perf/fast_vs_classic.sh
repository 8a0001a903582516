#!/usr/bin/env bash
# Process wall time to a solution, side by side in one run: ZarnelNQueen with
# the classic operators (perf/params/queensN.txt), with the fast set on its
# tuned files (perf/params/fast/queensN.txt) and on the plain file
# (perf/params/fast-plain.txt), and GAlib's steady-state PMX GA
# (perf/galib_queens, skipped with a message when libga-dev is absent). The
# runs of one size are interleaved, so a burst of load on a shared machine
# spreads over all of them; every solution is checked independently.
#
#   perf/fast_vs_classic.sh [build-dir]
#
# Environment: SIZES (default "8 32 64 128 256 1024 10000 65536"), RUNS (7),
# CAP (seconds per run, 60); CLASSIC_MAX (largest N run with the classic
# operators, 64). Prints one markdown row per size and program: median wall
# seconds, median evaluations (GAlib) or master iterations (ZarnelNQueen),
# runs solved, median peak resident memory; and the machine load.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
sizes=${SIZES:-"8 32 64 128 256 1024 10000 65536"}
runs=${RUNS:-7}
cap=${CAP:-60}
classic_max=${CLASSIC_MAX:-64}
nqueen=$build/nqueen/ZarnelNQueen
galib=$build/perf/galib_queens
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$nqueen" ] || { echo "no $nqueen: build the release preset first" >&2; exit 1; }
[ -x "$galib" ] || echo "GAlib peer not built (tools/install-deps.sh peers installs libga-dev): skipped" >&2

# An independent check of a report: a permutation without two queens on one
# diagonal.
check() {
    python3 - "$1" <<'PY'
import sys
lines = open(sys.argv[1]).read().split('\n')
i = lines.index('# Solution:')
rows = [int(x) for x in lines[i + 2][1:].split()]
n = len(rows)
ok = sorted(rows) == list(range(n)) and len({r + c for c, r in enumerate(rows)}) == n \
    and len({r - c for c, r in enumerate(rows)}) == n
sys.exit(0 if ok else 1)
PY
}

# run NAME N PARAMETER-FILE: appends "seconds iterations solved kilobytes".
run_nqueen() {
    local name=$1 n=$2 file=$3 start end status
    start=$(date +%s.%N)
    status=0
    timeout "$cap" /usr/bin/time -f "%M" -o "$work/mem" "$nqueen" "$file" "$work/report.txt" \
        </dev/null >"$work/out.txt" 2>/dev/null || status=$?
    end=$(date +%s.%N)
    local iterations solved=0
    iterations=$(grep -o 'Total master iterations: *[0-9]*' "$work/report.txt" 2>/dev/null | grep -o '[0-9]*$' || echo -)
    [ "$status" = 0 ] && check "$work/report.txt" && solved=1
    echo "$(echo "$end - $start" | bc) ${iterations:--} $solved $(tail -1 "$work/mem" 2>/dev/null || echo 0)" \
        >>"$work/$name.$n"
    rm -f "$work/report.txt"
}

run_galib() {
    local n=$1 start end line solved=0
    start=$(date +%s.%N)
    line=$(timeout "$cap" /usr/bin/time -f "%M" -o "$work/mem" "$galib" "$n" "$RANDOM" "$cap" 2>/dev/null || true)
    end=$(date +%s.%N)
    [[ "$line" == *" solved" ]] && solved=1
    echo "$(echo "$end - $start" | bc) $(echo "$line" | cut -d' ' -f4) $solved $(tail -1 "$work/mem")" \
        >>"$work/galib.$n"
}

median() { sort -g | awk '{a[NR]=$1} END {if (NR == 0) print "-"; else print (NR % 2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

summary() {
    local file=$1 label=$2 n=$3
    [ -f "$file" ] || return 0
    printf '| %s | %s | %.3f | %s | %s/%s | %s MB |\n' "$n" "$label" "$(cut -d' ' -f1 "$file" | median)" \
        "$(cut -d' ' -f2 "$file" | grep -v -- - | median)" "$(awk '{s+=$3} END {print s}' "$file")" \
        "$(wc -l <"$file")" "$(( $(cut -d' ' -f4 "$file" | median | cut -d. -f1) / 1024 ))"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| N | program | median wall s | median iterations / evaluations | solved | median peak RSS |"
echo "|---|---|---|---|---|---|"
for n in $sizes; do
    sed "s/^queens .*/queens $n/" "$root/perf/params/fast-plain.txt" >"$work/plain.txt"
    for ((r = 0; r < runs; r++)); do
        [ -f "$root/perf/params/fast/queens$n.txt" ] && run_nqueen fast "$n" "$root/perf/params/fast/queens$n.txt"
        run_nqueen plain "$n" "$work/plain.txt"
        if [ "$n" -le "$classic_max" ] && [ -f "$root/perf/params/queens$n.txt" ]; then
            run_nqueen classic "$n" "$root/perf/params/queens$n.txt"
        fi
        if [ -x "$galib" ] && [ "$n" -le 256 ]; then run_galib "$n"; fi
    done
    summary "$work/classic.$n" "classic, perf/params" "$n"
    summary "$work/fast.$n" "fast, perf/params/fast" "$n"
    summary "$work/plain.$n" "fast, plain file" "$n"
    summary "$work/galib.$n" "GAlib 2.4.7" "$n"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
