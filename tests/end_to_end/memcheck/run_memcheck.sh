#!/bin/sh
# Runs one program under valgrind's memcheck in a scratch directory and fails
# on any invalid access, use of uninitialised memory or leak.
# Usage: run_memcheck.sh <program> [arguments...]; a file argument is taken
# as given (absolute paths), relative outputs land in the scratch directory.
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
status=0
valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes "$@" </dev/null >stdout.txt || status=$?
tail -n 3 stdout.txt
exit $status
