#!/usr/bin/env bash
# Checks every C and C++ source against .clang-format; with --fix, formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files '*.c' '*.h' '*.cpp' '*.hpp')
if [ "${1:-}" = --fix ]; then
  "$clang_format" -i "${files[@]}"
else
  "$clang_format" --dry-run --Werror "${files[@]}"
  echo "Formatting as .clang-format asks: ${#files[@]} files"
fi
