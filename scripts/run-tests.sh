#!/usr/bin/env bash
# Every test of the project: the native build, the native build under
# AddressSanitizer with UndefinedBehaviorSanitizer and under ThreadSanitizer,
# and the 32-bit Windows build under wine. Installs what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

# The workflow presets configure, build and test each tier; these set how many
# jobs the build and the tests use.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

run_preset() {
  local preset=$1
  echo "=== $preset ==="
  if [ "$preset" = mingw ]; then
    # The tests run under wine, in a prefix of the build's own.
    mkdir -p "build/$preset"
    scripts/with-wine.sh "build/$preset" cmake --workflow --preset "$preset"
  else
    cmake --workflow --preset "$preset"
  fi
}

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux linux-asan linux-tsan mingw)
for preset in "${presets[@]}"; do
  run_preset "$preset"
done

# With both release builds tested: the release archives, packaged twice (the
# second time after relinking) to show they are reproducible; the Windows
# archive used by hosts built from its contents alone; and each platform's pair
# of archives unpacked into an empty folder, where `orvane check` and every
# recipe of the integrators' guide run as a new user would run them.
if [[ " ${presets[*]} " == *" linux "* && " ${presets[*]} " == *" mingw "* ]]; then
  echo "=== packages ==="
  scripts/package.sh --check
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/mingw/CMakeCache.txt)
  scripts/with-wine.sh build/mingw tests/package/check_windows_zip.sh \
    "dist/OrvaneLib-$version-win32.zip" "dist/OrvaneLib-simulator-$version-win32.zip"
  python3 tests/package/check_archive_documents.py dist/*.zip dist/*.tar.gz
  python3 tests/package/run_guide_recipes.py dist "$version" linux
  scripts/with-wine.sh build/mingw python3 tests/package/run_guide_recipes.py dist "$version" windows
fi
echo "All test runs passed: ${presets[*]}"
