#!/usr/bin/env bash
# Configures and builds one preset (linux, windows, asan, fuzz) with both cores.
# Usage: scripts/build.sh [preset] [extra cmake -D options...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-linux}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset "$preset" -DORVANE_WERROR=ON "$@" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
