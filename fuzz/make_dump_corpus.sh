#!/usr/bin/env bash
# Writes the seed corpus of the dump reader's fuzz target: small population
# dumps made by the real program (Ctrl+C, as a user makes them), one with
# Windows line ends, into fuzz/corpus/dumps/.
# Usage: fuzz/make_dump_corpus.sh [path of ZarnelNQueen]
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/release/nqueen/ZarnelNQueen}")
out=$(realpath fuzz/corpus/dumps)
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name, then the parameter lines; every run is bounded and seeded, and is
# interrupted after its first progress line, so its dump follows the next
# chunk of 1000 master iterations.
dump() {
    local name=$1
    shift
    printf '%s\n' "$@" 'time_limit 20' 'dump_directory dumps' >"$work/p.txt"
    rm -rf "$work/dumps" "$work/out.txt"
    mkdir "$work/dumps"
    (cd "$work" && exec "$program" p.txt r.txt >out.txt 2>err.txt </dev/null) &
    local pid=$!
    until grep -q '^Iter: ' "$work/out.txt" 2>/dev/null; do sleep 0.05; done
    kill -INT "$pid"
    until [ -n "$(ls "$work/dumps")" ] || ! kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
    local file
    file=$(ls "$work/dumps" | head -1)
    [ -n "$file" ] || { echo "no dump for $name (the run ended first)" >&2; exit 1; }
    cp "$work/dumps/$file" "$out/$name"
}

# Nothing changes these populations (no slave thread, no swap): the dump is
# the random first population.
dump queens4_pop3 'queens 4' 'population_size 3' 'slave_iterations 1' 'slave_threads 0' 'mutation_rate 0' 'seed 11'
dump queens8_pop10 'queens 8' 'population_size 10' 'slave_iterations 1' 'slave_threads 0' 'mutation_rate 0' 'seed 1'
dump queens100_pop3 'queens 100' 'population_size 3' 'slave_iterations 1' 'slave_threads 0' 'mutation_rate 0' 'seed 2'
# A population that the search has worked on, and one built by the fast set.
dump queens40_pop6_classic 'queens 40' 'population_size 6' 'slave_iterations 2' 'slave_threads 1' 'mutation_rate 0.5' 'seed 3'
dump queens64_pop4_fast 'queens 64' 'population_size 4' 'slave_iterations 1' 'slave_threads 0' 'mutation_rate 0' 'operators fast' 'seed 4'
# As a Windows build writes it.
sed 's/$/\r/' "$out/queens8_pop10" >"$out/queens8_pop10_crlf"
ls -l "$out"
