#!/usr/bin/env bash
# Installs the Debian packages that a part of Zarnel needs and this machine
# lacks; packages already present are left alone, and nothing is fetched when
# all are there. Usage: tools/install-deps.sh [group...] (default: test).
#   build    compiler and CMake: all the two programs and the installed package need
#   test     build + GoogleTest, Google Benchmark, valgrind, clang tools
#   extras   JSON records, ZarnelBench flags, the convergence plot
#   mpi      Open MPI for the island model
#   windows  the mingw-w64 cross compiler, GoogleTest's sources and Wine
#   peers    GAlib, the independent GA library that perf/ measures against
set -euo pipefail

packages_of() {
    case "$1" in
        build) echo cmake g++ ;;
        test) echo cmake g++ libgtest-dev libbenchmark-dev valgrind clang clang-format libclang-rt-dev util-linux ;;
        extras) echo nlohmann-json3-dev libcli11-dev python3-matplotlib ;;
        mpi) echo libopenmpi-dev openmpi-bin ;;
        windows) echo g++-mingw-w64-x86-64-posix googletest wine wine64 ;;
        peers) echo libga-dev ;;
        *) echo "install-deps.sh: unknown group '$1' (build, test, extras, mpi, windows, peers)" >&2; exit 2 ;;
    esac
}

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(test)
missing=()
for group in "${groups[@]}"; do
    for package in $(packages_of "$group"); do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
