#!/usr/bin/env bash
# Installs the Debian packages that a part of Zarnel needs and this machine
# lacks; packages already present are left alone, and nothing is fetched when
# all are there. Usage: tools/install-deps.sh [group...] (default: test).
#   build    compiler and CMake: all the two programs and the installed package need
#   test     build + GoogleTest, Google Benchmark, valgrind, clang tools
#   extras   JSON records, ZarnelBench flags, the convergence plot
#   mpi      Open MPI for the island model
#   windows  the mingw-w64 cross compiler, GoogleTest's sources and Wine
#   python   pybind11, numpy and pytest for the Python module zarnel and its tests
#   peers    GAlib, pagmo2 and DEAP, the independent GA libraries that perf/ measures against
set -euo pipefail

packages_of() {
    case "$1" in
        build) echo cmake g++ ;;
        test) echo cmake g++ libgtest-dev libbenchmark-dev valgrind clang clang-format libclang-rt-dev util-linux ;;
        extras) echo nlohmann-json3-dev libcli11-dev python3-matplotlib ;;
        mpi) echo libopenmpi-dev openmpi-bin ;;
        windows) echo g++-mingw-w64-x86-64-posix googletest wine wine64 ;;
        python) echo python3-dev pybind11-dev python3-numpy python3-pytest ;;
        peers) echo libga-dev libpagmo-dev python3-deap ;;
        *) echo "install-deps.sh: unknown group '$1' (build, test, extras, mpi, windows, python, peers)" >&2; exit 2 ;;
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
# Another apt or dpkg (unattended upgrades, a second install) holds its locks
# for a while: wait up to lock_wait seconds rather than fail at once. apt
# waits for the dpkg lock itself (DPkg::Lock::Timeout); the package lists'
# lock of `apt-get update` is waited for here, by trying again.
lock_wait=${ZARNEL_APT_LOCK_WAIT:-600}
apt_get=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o "DPkg::Lock::Timeout=$lock_wait")
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
waited=0
until "${apt_get[@]}" update -qq 2>"$errors"; do
    if ! grep -q 'Could not get lock' "$errors" || [ "$waited" -ge "$lock_wait" ]; then
        cat "$errors" >&2
        exit 1
    fi
    [ "$waited" -gt 0 ] || echo "install-deps.sh: another apt holds the package lists; waiting up to $lock_wait s" >&2
    sleep 5
    waited=$((waited + 5))
done
cat "$errors" >&2
"${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
