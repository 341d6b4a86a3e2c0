#!/usr/bin/env bash
# Builds the release archives twice, each time from a fresh clone of the current
# commit in a folder of its own, and compares the two sets byte for byte. Takes
# two full builds of the mingw and linux presets; CI instead runs
# `scripts/package.sh --check`, which relinks and repackages one build tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for copy in first second; do
  git clone -q --no-checkout "$root" "$work/$copy"
  git -C "$work/$copy" checkout -q "$commit"
  (cd "$work/$copy" && scripts/package.sh)
done
status=0
for archive in "$work"/first/dist/*.zip "$work"/first/dist/*.tar.gz; do
  if cmp "$archive" "$work/second/dist/$(basename "$archive")"; then
    echo "identical: $(basename "$archive")"
  else
    status=1
  fi
done
exit $status
