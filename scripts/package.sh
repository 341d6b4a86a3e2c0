#!/usr/bin/env bash
# Builds the release archives into dist/. Every archive of a platform unpacks into
# the same folder, OrvaneLib-<version>-<platform>/, so that the library's archive
# and the simulator's together give a tree whose bin/orvane runs as it is:
#   OrvaneLib-<version>-win32.zip                     the DLL (stripped; debug information
#                                                     in OrvaneLib.dll.debug), orvane.exe,
#                                                     header, .def, both import libraries,
#                                                     CMake package, README.md, LICENSE,
#                                                     SECURITY.md, docs/ (guide, orvane's
#                                                     manual, operating and platform notes,
#                                                     failure codes, log rotation, monitoring
#                                                     with its unit file and Prometheus files)
#   OrvaneLib-simulator-<version>-win32.zip           the stand-in bin/HCNetSDK.dll, its
#                                                     control header, LICENSE
#   OrvaneLib-<version>-linux-x86_64.tar.gz           lib/libOrvaneLib.so (debug information
#                                                     in libOrvaneLib.so.debug), bin/orvane,
#                                                     header, CMake package, the documents
#                                                     as on Windows, share/man/man1/orvane.1
#   OrvaneLib-simulator-<version>-linux-x86_64.tar.gz the stand-in lib/libHCNetSDK.so, its
#                                                     control header, LICENSE
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

# Packs the library's and the simulator's archives of one platform into $1; both
# unpack into OrvaneLib-$version-$platform/.
package_platform() {
  local out=$1 work=$2 preset=$3 platform=$4 archive_type=$5 tools=$6 library=$7 tool=$8 sdk=$9
  local v top
  v=$(version "$preset")
  top=OrvaneLib-$v-$platform

  local lib=$work/library/$top
  stage "build/$preset" "$lib" library
  split_debug "$tools" "$lib/$library"
  if [ -f "build/$preset/bin/$(basename "$tool")" ]; then
    install -D -m 0755 "build/$preset/bin/$(basename "$tool")" "$lib/$tool"
    SOURCE_DATE_EPOCH=0 "${tools}strip" --strip-unneeded "$lib/$tool"
  fi
  python3 scripts/reproducible_archive.py "$out/OrvaneLib-$v-$platform.$archive_type" "$lib"

  local sim=$work/simulator/$top
  stage "build/$preset" "$sim" simulator
  SOURCE_DATE_EPOCH=0 "${tools}strip" --strip-unneeded "$sim/$sdk"
  python3 scripts/reproducible_archive.py "$out/OrvaneLib-simulator-$v-$platform.$archive_type" "$sim"
}

# Packs every archive into the folder $1.
package_all() {
  local out=$1 work=$1.stage
  rm -rf "$out" "$work"
  mkdir -p "$out" "$work"
  package_platform "$out" "$work/win" mingw win32 zip i686-w64-mingw32- \
    bin/OrvaneLib.dll bin/orvane.exe bin/HCNetSDK.dll
  package_platform "$out" "$work/linux" linux linux-x86_64 tar.gz "" \
    lib/libOrvaneLib.so bin/orvane lib/libHCNetSDK.so
  rm -rf "$work"
}

build mingw
build linux
package_all dist
(cd dist && sha256sum -- *)

if [ "$check" = 1 ]; then
  # Relink what the archives hold, so that link-time stamps would show, then
  # package again: both sets must be identical.
  rm -f build/mingw/bin/OrvaneLib.dll build/mingw/bin/HCNetSDK.dll build/mingw/bin/orvane.exe \
    build/linux/bin/libOrvaneLib.so* build/linux/bin/libHCNetSDK.so* build/linux/bin/orvane
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
