#!/usr/bin/env bash
# Runs a Windows program under Wine with the exit status it returned, its
# standard output with the carriage returns of Windows line ends removed (so
# that ctest's test discovery and output matching see plain lines). Uses the
# Wine prefix in WINEPREFIX, or /tmp/zarnel-wine, made on first use.
set -o pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-/tmp/zarnel-wine}
wine=$(command -v wine64 || command -v wine || true)
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
if [ -z "$wine" ]; then
    echo "wine-run.sh: Wine is not installed (tools/install-deps.sh windows)" >&2
    exit 127
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # Two first uses at once would both build the prefix; the lock makes one wait.
    flock "$WINEPREFIX" bash -c '[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i && wineserver -w; }' >/dev/null 2>&1
fi
"$wine" "$@" | tr -d '\r'
