#!/usr/bin/env bash
# Runs a Windows program under Wine and returns its exit status; its standard
# output loses the carriage returns of Windows line ends, so that ctest's test
# listing and output matching see plain lines. The cross build's test runner
# (cmake/mingw-w64-x86_64.cmake). Uses the Wine prefix in WINEPREFIX, default
# /tmp/zarnel-wine, and makes it on first use.
set -o pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-/tmp/zarnel-wine}
if [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64
else
    wine=$(command -v wine64 || command -v wine) || {
        echo "wine-run.sh: Wine is not installed (tools/install-deps.sh windows)" >&2
        exit 127
    }
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # Test runs in parallel would each make the prefix; the lock lets one do it.
    flock "$WINEPREFIX" bash -c '[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i && wineserver -w; }' \
        >/dev/null 2>&1
fi
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for attempt in 1 2; do
    "$wine" "$@" 2>"$errors" | tr -d '\r'
    status=$?
    # A Wine client that loses its wineserver while it starts ("wine client
    # error: ... Connection reset by peer", seen when a test starts just as
    # the server shuts down) never ran the program: that is Wine's failure,
    # not the test's, and the run is tried once more.
    if [ "$status" -ne 0 ] && [ "$attempt" -eq 1 ] && grep -q '^wine client error' "$errors"; then
        continue
    fi
    cat "$errors" >&2
    exit "$status"
done
