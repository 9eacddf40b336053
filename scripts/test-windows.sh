#!/usr/bin/env bash
# Runs the cross-built Windows tests under Wine with a virtual X display (needs the windows preset built).
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: creating the Wine prefix"
  timeout 300 xvfb-run -a wineboot --init >/dev/null 2>&1 || true
fi
timeout 1800 xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/windows -L wine --output-on-failure --timeout 300
