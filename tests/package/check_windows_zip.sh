#!/usr/bin/env bash
# Checks the Windows release archive as an integrator meets it: unpacks it into an
# empty folder, compares its file list, and builds four hosts from its contents
# alone — with mingw through -lOrvaneLib and through find_package, and in MSVC
# mode (clang-cl, lld-link) through OrvaneLib.lib directly and through
# find_package — and runs them under wine against the simulator archive's
# HCNetSDK.dll. Run inside scripts/with-wine.sh.
#   check_windows_zip.sh LIBRARY_ZIP SIMULATOR_ZIP
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
library_zip=$(realpath "$1")
simulator_zip=$(realpath "$2")
llvm=/usr/lib/llvm-14/bin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
unzip -q "$library_zip" -d unpacked
unzip -q "$simulator_zip" -d simulator
pkg=$(echo unpacked/*)
sim=$(echo simulator/*)

# The file list, the command-line tool allowed but not required.
(cd "$pkg" && find . -type f | sed 's|^\./||' | grep -vx 'bin/orvane.exe' | LC_ALL=C sort) >files.txt
if ! diff -u "$here/windows-zip-files.txt" files.txt; then
  echo "the archive's files differ from the expected list" >&2
  exit 1
fi

mkdir run
cp "$pkg/bin/OrvaneLib.dll" "$sim/bin/HCNetSDK.dll" run/

# mingw, the ordinary way.
i686-w64-mingw32-gcc -std=c99 -Wall -Wextra -pedantic -Werror -I"$pkg/include" \
  "$here/link_host.c" -L"$pkg/lib" -lOrvaneLib -o run/mingw_host.exe

# CMake, through the package's files.
cmake -S "$here" -B cmake-build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DOrvaneLib_DIR="$(realpath "$pkg/lib/cmake/OrvaneLib")" >/dev/null
cmake --build cmake-build >/dev/null
cp cmake-build/consumer.exe run/cmake_host.exe

# MSVC mode, with a kernel32 import library for the one call the entry point makes.
printf 'LIBRARY kernel32.dll\nEXPORTS\nExitProcess@4\n' >kernel32.def
"$llvm/llvm-dlltool" -m i386 -k -d kernel32.def -l kernel32.lib
"$llvm/clang-cl" --target=i686-pc-windows-msvc /c /GS- /W4 /WX -I"$pkg/include" \
  -- "$here/link_host.c" "$here/msvc_entry.c"
"$llvm/lld-link" /entry:host_entry /subsystem:console /nodefaultlib /out:run/msvc_host.exe \
  link_host.obj msvc_entry.obj "$pkg/lib/OrvaneLib.lib" kernel32.lib

# MSVC mode through find_package: the package hands MSVC-style linkers OrvaneLib.lib.
mkdir msvc-consumer
cat >msvc-consumer/toolchain.cmake <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER $llvm/clang-cl)
set(CMAKE_C_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_LINKER $llvm/lld-link)
set(CMAKE_MT $llvm/llvm-mt)
set(CMAKE_C_COMPILER_WORKS 1)
set(CMAKE_C_FLAGS_INIT "/GS-")
set(CMAKE_EXE_LINKER_FLAGS_INIT "/entry:host_entry /nodefaultlib /manifest:no")
set(CMAKE_C_STANDARD_LIBRARIES "$work/kernel32.lib" CACHE STRING "" FORCE)
EOF
cat >msvc-consumer/CMakeLists.txt <<EOF
cmake_minimum_required(VERSION 3.25)
project(MsvcConsumer LANGUAGES C)
find_package(OrvaneLib 1.0 CONFIG REQUIRED)
add_executable(host "$here/link_host.c" "$here/msvc_entry.c")
target_link_libraries(host PRIVATE OrvaneLib::OrvaneLib)
EOF
cmake -S msvc-consumer -B msvc-consumer/build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$work/msvc-consumer/toolchain.cmake" \
  -DOrvaneLib_DIR="$(realpath "$pkg/lib/cmake/OrvaneLib")" >/dev/null
cmake --build msvc-consumer/build >/dev/null
cp msvc-consumer/build/host.exe run/cmake_msvc_host.exe

cd run
for host in mingw_host cmake_host msvc_host cmake_msvc_host; do
  status=0
  wine "./$host.exe" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$host failed with $status" >&2
    exit 1
  fi
done
echo "The Windows archive's contents build and run four hosts"
