#!/usr/bin/env bash
# Fuzzes every target in fuzz/ with libFuzzer: builds them with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer (the library's code instrumented
# for coverage as well) in build/fuzz, then runs each target in turn for the given
# number of seconds, starting from its seed corpus in fuzz/corpus/<target>/.
#   scripts/fuzz.sh [seconds] [target...]      (default 60 seconds, every target)
# New inputs go to build/fuzz/corpus/<target>/, findings to build/fuzz/findings/;
# a finding ends the run with a non-zero status. FUZZ_RUNS=N stops each target
# after N executions instead of (or before) the time limit; FUZZ_ARGS adds options.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-60}
[ $# -gt 0 ] && shift
build=build/fuzz

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DORVANE_SANITIZE="address;undefined" \
  -DORVANE_BUILD_FUZZERS=ON -DORVANE_LIBFUZZER=ON \
  -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_DEMO=OFF -DORVANE_BUILD_BENCHMARKS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi
# Only the targets: the shared library is not built with these sanitizers.
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
  echo "=== $target: ${seconds} s ==="
  work="$build/corpus/$target"
  mkdir -p "$work"
  runs=()
  [ -n "${FUZZ_RUNS:-}" ] && runs=(-runs="$FUZZ_RUNS")
  # shellcheck disable=SC2086
  "$build/bin/$target" -max_total_time="$seconds" "${runs[@]}" -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target-" ${FUZZ_ARGS:-} "$work" "fuzz/corpus/$target"
done
echo "Every fuzz target ran without a finding: ${targets[*]}"
