#!/bin/sh
# The log rotation of Windows under wine: the soak logs to drive D while the
# shipped rotate-orvane-log.cmd renames the log as Task Scheduler would run it,
# and finds every event's lines whole across the log's generations. Drive D
# exists only in a wine prefix of this test's own, so no other test's library
# ever logs there.
#   wine-log-rotation.sh SOAK_EXE ROTATE_CMD WORK_DIR
set -eu
soak=$1
script=$2
work=$3
export WINEPREFIX="$work/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
rm -rf "$work/drive-d"
mkdir "$work/drive-d"
ln -sfn "$work/drive-d" "$WINEPREFIX/dosdevices/d:"
stop_wine() {
  rm -f "$WINEPREFIX/dosdevices/d:"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
trap stop_wine EXIT
# One server, its output away from the pipes ctest reads (see pitfalls of wine).
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
# No quotes in the command: cmd /c keeps an unquoted path as it is.
rotate="$(winepath -w "$script") d:\\"
# One SDK thread: wine's appends through several handles at once can overlap and
# tear lines (Windows appends each write whole), rotation or not.
wine "$soak" --events 20000 --cycles 100 --seconds 240 --sdk-threads 1 --log 'd:\~log.txt' \
  --rotate "$rotate" --rotations 6
