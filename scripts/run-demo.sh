#!/usr/bin/env bash
# Builds the library, the stand-in SDK and the demo host program natively and runs
# the demo against the simulated camera. With --windows, runs the 32-bit Windows
# build of the demo under wine instead. Installs what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

if [ "${1:-}" = "--windows" ]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target orvane_demo
  cd build/mingw/bin
  exec "$root/scripts/with-wine.sh" "$root/build/mingw" wine orvane_demo.exe
fi

cmake --preset linux >/dev/null
cmake --build --preset linux --target orvane_demo
cd build/linux/bin
exec ./orvane_demo
