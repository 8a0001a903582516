#!/usr/bin/env bash
# The cost of one migration between islands at N = 64 and 65,536, with 2
# and 3 islands on this machine (oversubscribed past its cores), as a
# markdown table: perf/migration.sh [build-dir] (default build/release;
# ROUNDS, default 200, rounds per size).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
cmake --build "$build" --target zarnel_migration_bench -j"$(nproc)" >/dev/null
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
for ranks in 2 3; do
    mpirun -np "$ranks" --oversubscribe "$build/perf/zarnel_migration_bench" "${ROUNDS:-200}" |
        { [ "$ranks" -eq 2 ] && cat || tail -n +3; }
done
