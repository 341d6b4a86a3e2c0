#!/bin/sh
# Runs a command with a /tmp of its own: an empty memory-backed folder in a
# private mount namespace. The library's log folder on Linux lies in /tmp and is
# shared by every process of the user; only so can a test own it without
# catching, or disturbing, the log lines of other runs on the same machine.
# Exits 77 (a skipped test) where the system allows no such namespace.
#   private-tmp.sh COMMAND [ARGUMENT...]
set -eu
if ! unshare --user --map-current-user --mount true 2>/dev/null; then
  echo "no private mount namespace here: skipped" >&2
  exit 77
fi
exec unshare --user --map-current-user --mount --propagation private \
  sh -c 'mount -t tmpfs -o size=512m,mode=1777 orvane-soak /tmp && exec "$@"' private-tmp "$@"
