#!/bin/sh
# Runs a program with a /tmp of its own: an empty memory-backed folder in a
# private mount namespace. The library's log folder on Linux lies in /tmp and is
# shared by every process of the user; only so can a test own it without
# catching, or disturbing, the log lines of other runs on the same machine.
# The program's own folder (with the libraries beside it), and each folder given
# with --keep, are bound back into the new /tmp when they lie there, as a build
# and its sources in a clone under /tmp do.
# Exits 77 (a skipped test) where the system allows no such namespace.
#   private-tmp.sh [--keep FOLDER]... PROGRAM [ARGUMENT...]
set -eu
kept=
while [ "$1" = --keep ]; do
  kept="$kept $(cd "$2" && pwd -P)"
  shift 2
done
if ! unshare --user --map-current-user --mount true 2>/dev/null; then
  echo "no private mount namespace here: skipped" >&2
  exit 77
fi
program_dir=$(cd "$(dirname "$1")" && pwd -P)
exec unshare --user --map-current-user --mount --propagation private sh -c '
  set -eu
  folders=$1; shift
  exec 3</tmp
  mount -t tmpfs -o size=512m,mode=1777 orvane-soak /tmp
  for folder in $folders; do
    case $folder in
      /tmp/*)
        inside=${folder#/tmp/}
        mkdir -p "/tmp/$inside"
        # No canonicalising: the source path must go through the old /tmp.
        mount --no-canonicalize --bind "/proc/self/fd/3/$inside" "/tmp/$inside" ;;
    esac
  done
  exec 3<&-
  exec "$@"' private-tmp "$program_dir$kept" "$@"
