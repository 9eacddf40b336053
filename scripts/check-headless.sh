#!/usr/bin/env bash
# The programs without a window (the data server and the simulator stand-in) load no window or GL
# library: on Linux `readelf -d` lists no SDL, GL, GLU, GLX or EGL among their needed libraries, on
# Windows `objdump -p` lists no opengl32, glu32, gdi32 or SDL among their imported DLLs.
# Usage: scripts/check-headless.sh [linux|windows|all] [run folder]
#   all (the default) checks each build whose run folder exists; the run folder defaults to
#   build/<preset>/run.
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
programs=(OrvaneGCServer orvane-sim)
failed=0
checked=0

# check <file> <listing command...>: fails when the listing names a window or GL library.
check() {
  local file=$1 pattern=$2
  shift 2
  if [ ! -f "$file" ]; then
    echo "check-headless: $file is missing (build it first)" >&2
    failed=1
    return
  fi
  local listing found
  if ! listing=$("$@" "$file" 2>&1); then
    echo "check-headless: cannot list the libraries of $file: $listing" >&2
    failed=1
    return
  fi
  found=$(grep -iE "$pattern" <<<"$listing" || true)
  checked=$((checked + 1))
  if [ -n "$found" ]; then
    echo "check-headless: $file loads a window or GL library:" >&2
    echo "$found" >&2
    failed=1
  else
    echo "check-headless: $file: no window or GL library"
  fi
}

linux() {
  local run=${1:-build/linux/run}
  for p in "${programs[@]}"; do
    check "$run/$p" '\(NEEDED\).*\[lib(SDL|GL|GLU|GLX|EGL|OpenGL|X11|wayland)' readelf -d
  done
}

windows() {
  local run=${1:-build/windows/run}
  local objdump=x86_64-w64-mingw32-objdump
  command -v "$objdump" >/dev/null || objdump=objdump
  for p in "${programs[@]}"; do
    check "$run/$p.exe" 'DLL Name: *(opengl32|glu32|gdi32|SDL)' "$objdump" -p
  done
}

case "$what" in
  linux) linux "${2:-}" ;;
  windows) windows "${2:-}" ;;
  all)
    [ -d build/linux/run ] && linux
    [ -d build/windows/run ] && windows
    ;;
  *) echo "usage: $0 [linux|windows|all] [run folder]" >&2; exit 2 ;;
esac
if [ "$checked" -eq 0 ] && [ "$failed" -eq 0 ]; then
  echo "check-headless: no build to check" >&2
  exit 1
fi
exit "$failed"
