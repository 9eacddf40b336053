#!/usr/bin/env bash
# Configures and builds one preset (linux, windows, asan, fuzz, web) with both cores.
# Usage: scripts/build.sh [preset] [extra cmake -D options...]
# web: the browser display with Debian's emscripten (apt-get install emscripten node-acorn) into
# build/web/run/web, copied beside a Linux build's OrvaneGCServer (build/linux/run/web) when there
# is one, where OrvaneGCServer --web PORT finds it.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-linux}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)
if [ "$preset" = web ]; then
  if ! command -v emcc >/dev/null; then
    echo "build.sh web: emcc not found; install Debian's emscripten and node-acorn (scripts/install-deps.sh web)" >&2
    exit 1
  fi
  # Debian's emscripten runs node, which finds the packaged acorn only here.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
fi
cmake --preset "$preset" -DORVANE_WERROR=ON "$@" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
if [ "$preset" = web ] && [ -d build/linux/run ]; then
  mkdir -p build/linux/run/web
  cp -p build/web/run/web/* build/linux/run/web/
  echo "web folder: build/web/run/web, copied to build/linux/run/web (build/linux/run/OrvaneGCServer --web 8080)"
fi
