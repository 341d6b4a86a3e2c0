#!/usr/bin/env bash
# Installs everything the builds, tests and demo need on a fresh Debian machine:
# the native toolchain and test libraries, the i686 mingw-w64 cross compiler,
# 32-bit wine (which needs the i386 architecture) and the JPEG writer used by the
# stand-in camera; libedit for line editing in the tool's shell; readelf
# (binutils) and setpriv (util-linux) for the security tests; clang with libFuzzer for the fuzz targets; clang, lld and llvm for the
# MSVC-style import library, the MSVC-mode test host and the header check; zip
# and unzip for the release archives; man-db and groff to check the manual page;
# logrotate for the test of the log rotation recipe; Boost (header-only Beast and
# Asio), nlohmann's JSON and zlib (native and mingw) for the HTTP service of
# `orvane serve` and Python's Prometheus client to read its OpenMetrics; Prometheus
# (server and promtool) for the tests of that service and its alert rules;
# OpenSSL, libcrypt and yaml-cpp for its TLS, passwords and web configuration
# file, with openssl and htpasswd (apache2-utils) to make a certificate and a
# bcrypt hash in its tests; toml++ (header-only) for its camera list file;
# Chromium, its driver and Python's Selenium for the live page's browser test.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make python3 clang-format-14
  binutils util-linux
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libstb-dev libcli11-dev libedit-dev
  clang-14 libfuzzer-14-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386
  clang lld llvm zip unzip
  man-db groff-base logrotate
  libboost-dev nlohmann-json3-dev prometheus
  zlib1g-dev libz-mingw-w64-dev python3-prometheus-client
  libssl-dev libcrypt-dev libyaml-cpp-dev openssl apache2-utils
  libtomlplusplus-dev
  chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then: try again, and go on
# with what was fetched if it still fails; the install says if a package is
# really missing.
for attempt in 1 2 3; do
  "${sudo_cmd[@]}" apt-get update -q && break
  [ "$attempt" -eq 3 ] || sleep $((attempt * 15))
done
# A suite's i386 index can lag its amd64 one on a mirror: the i386 twins of
# amd64 libraries installed from that suite are then missing, and wine32 cannot
# go in beside them. Fetch each twin wine32 asks for from the pool, where it is
# the amd64 file's neighbour, and install from the release's own suite first.
install_with_i386_twins() {
  local twins release
  twins=$(mktemp -d)
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get install -s -q --no-install-recommends -t "$release" "${missing[@]}" 2>&1 |
    sed -n 's/.*Depends: \([a-z0-9.+-]*\):i386 .*but it is not going to be installed.*/\1/p' | sort -u |
    while read -r name; do
      version=$(dpkg-query -W -f='${Version}' "$name:amd64" 2>/dev/null) || continue
      url=$(apt-get download --print-uris "$name:amd64=$version" 2>/dev/null | cut -d"'" -f2)
      [ -n "$url" ] && /usr/lib/apt/apt-helper download-file "${url%_amd64.deb}_i386.deb" \
        "$twins/${name}_i386.deb" >/dev/null || true
    done
  local debs=()
  for deb in "$twins"/*.deb; do [ -e "$deb" ] && debs+=("$deb"); done
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends -t "$release" "${debs[@]}" "${missing[@]}"
}
for attempt in 1 2 3; do
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" && break
  install_with_i386_twins && break
  [ "$attempt" -lt 3 ] || exit 1
  sleep $((attempt * 15))
  "${sudo_cmd[@]}" apt-get update -q || true
done
