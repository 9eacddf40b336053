#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the Windows cross build need (run as root).
# Usage: scripts/install-deps.sh [linux|windows|web|all]   (default: linux)
#   web: the browser build (scripts/build.sh web) and its check (tests/web/browser_check.sh)
set -euo pipefail
what=${1:-linux}

linux_pkgs=(build-essential cmake pkg-config libsdl2-dev libstb-dev libasio-dev libcli11-dev libfreetype-dev
  fonts-b612 libgl1-mesa-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri googletest libgtest-dev
  libbenchmark-dev clang libclang-rt-14-dev python3 xvfb xdotool imagemagick x11-utils valgrind
  libwebsocketpp-dev)
windows_pkgs=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64)
# Debian's emscripten runs on node and needs node-acorn (found with NODE_PATH=/usr/share/nodejs).
web_pkgs=(emscripten node-acorn nodejs chromium)

pkgs=("${linux_pkgs[@]}")
case "$what" in
  linux) ;;
  windows) pkgs+=("${windows_pkgs[@]}") ;;
  web) pkgs+=("${web_pkgs[@]}") ;;
  all) pkgs+=("${windows_pkgs[@]}" "${web_pkgs[@]}") ;;
  *) echo "usage: $0 [linux|windows|web|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#pkgs[@]} packages present"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
