#!/usr/bin/env bash
# The browser build's model reads reply numbers exactly as the desktop's: tests/web/reply_numbers.cpp
# built with g++ and with emscripten (run by node), outputs compared line for line.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
command -v em++ >/dev/null || { echo "model_check: em++ not found (scripts/install-deps.sh web)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sources=("$root/tests/web/reply_numbers.cpp" "$root"/src/model/*.cpp)
g++ -std=c++17 -O2 -I"$root/src" "${sources[@]}" -o "$work/native"
em++ -std=c++17 -O2 -I"$root/src" "${sources[@]}" -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0 -sSINGLE_FILE=1 \
  -o "$work/wasm.js"
"$work/native" > "$work/native.txt"
node "$work/wasm.js" > "$work/wasm.txt"
if diff "$work/native.txt" "$work/wasm.txt"; then
  echo "model_check: the browser build reads all $(wc -l < "$work/native.txt") reply texts as the desktop does"
else
  echo "model_check: the browser build reads reply texts differently (< desktop, > browser)" >&2
  exit 1
fi
