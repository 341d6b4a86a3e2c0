#!/usr/bin/env bash
# Builds the release archives into dist/:
#   OrvaneLib-<version>-win32.zip             the DLL (stripped; debug information in
#                                            OrvaneLib.dll.debug), header, .def, both
#                                            import libraries, CMake package, README
#   OrvaneLib-simulator-<version>-win32.zip   the stand-in HCNetSDK.dll and its control header
#   OrvaneLib-<version>-linux-x86_64.tar.gz   the shared library, header, CMake package
# The archives depend on the commit alone: time stamps are SOURCE_DATE_EPOCH (the
# commit's time unless set), PE files carry none, entries are sorted with fixed modes.
#
#   scripts/package.sh            build (presets mingw and linux) and package
#   scripts/package.sh --check    also relink the packaged binaries, package again and
#                                 compare the two sets of archives byte for byte
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
jobs=$(nproc)

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/$1/CMakeCache.txt"
}

# Moves the debug information of a binary into NAME.debug beside it and links it
# back through .gnu_debuglink.
# objcopy and strip write the current time into a PE header unless
# SOURCE_DATE_EPOCH says otherwise: 0, as the linker leaves it.
split_debug() {
  local tools=$1 file=$2
  SOURCE_DATE_EPOCH=0 "${tools}objcopy" --only-keep-debug "$file" "$file.debug"
  SOURCE_DATE_EPOCH=0 "${tools}strip" --strip-debug --strip-unneeded "$file"
  (cd "$(dirname "$file")" &&
    SOURCE_DATE_EPOCH=0 "${tools}objcopy" --add-gnu-debuglink="$(basename "$file").debug" "$(basename "$file")")
  chmod 0644 "$file.debug"
}

# Installs the components named after the build folder into a fresh folder.
stage() {
  local build_dir=$1 folder=$2
  shift 2
  rm -rf "$folder"
  for component in "$@"; do
    cmake --install "$build_dir" --prefix "$folder" --component "$component" >/dev/null
  done
}

# Packs every archive into the folder $1.
package_all() {
  local out=$1 work=$1.stage
  rm -rf "$out" "$work"
  mkdir -p "$out" "$work"

  local v
  v=$(version mingw)
  local win=$work/OrvaneLib-$v-win32
  stage build/mingw "$win" library
  split_debug i686-w64-mingw32- "$win/bin/OrvaneLib.dll"
  if [ -f build/mingw/bin/orvane.exe ]; then
    install -D -m 0755 build/mingw/bin/orvane.exe "$win/bin/orvane.exe"
    SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip --strip-unneeded "$win/bin/orvane.exe"
  fi
  python3 scripts/reproducible_archive.py "$out/OrvaneLib-$v-win32.zip" "$win"

  local sim=$work/OrvaneLib-simulator-$v-win32
  stage build/mingw "$sim" simulator
  SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip --strip-unneeded "$sim/bin/HCNetSDK.dll"
  python3 scripts/reproducible_archive.py "$out/OrvaneLib-simulator-$v-win32.zip" "$sim"

  v=$(version linux)
  local lin=$work/OrvaneLib-$v-linux-x86_64
  stage build/linux "$lin" library
  split_debug "" "$lin/lib/libOrvaneLib.so"
  if [ -f build/linux/bin/orvane ]; then
    install -D -m 0755 build/linux/bin/orvane "$lin/bin/orvane"
    strip --strip-unneeded "$lin/bin/orvane"
  fi
  python3 scripts/reproducible_archive.py "$out/OrvaneLib-$v-linux-x86_64.tar.gz" "$lin"

  rm -rf "$work"
}

build mingw
build linux
package_all dist
(cd dist && sha256sum -- *)

if [ "$check" = 1 ]; then
  # Relink what the archives hold, so that link-time stamps would show, then
  # package again: both sets must be identical.
  rm -f build/mingw/bin/OrvaneLib.dll build/mingw/bin/HCNetSDK.dll build/linux/bin/libOrvaneLib.so*
  sleep 1
  build mingw
  build linux
  package_all dist/.check
  for archive in dist/*.zip dist/*.tar.gz; do
    cmp "$archive" "dist/.check/$(basename "$archive")"
  done
  rm -rf dist/.check
  echo "Reproducible: a second packaging after relinking gave identical archives"
fi
