#!/usr/bin/env bash
# Runs a command (usually ctest) with a ready 32-bit wine prefix of the build's own
# and one persistent wine server, and leaves no wine process behind.
#   scripts/with-wine.sh BUILD_DIR COMMAND...
set -euo pipefail
build_dir=$(cd "$1" && pwd)
shift

export WINEPREFIX="$build_dir/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Preparing the wine prefix in $WINEPREFIX ..."
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi

# One server for the whole run, its output away from the pipes ctest reads. The
# first program run starts wine's background services; start them here, with
# their output sent away too, so that they never hold a test's output pipe open.
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
trap stop_wine EXIT

"$@"
