#!/usr/bin/env bash
# Runs the cross-built Windows tests under Wine with a virtual X display (needs the windows preset built);
# arguments go to ctest (e.g. -R shell_win32 for some tests only).
# The whole suite shares one X display, one Wine prefix and one Wine server, started before the first
# test and ended after the last: with a server per test, a test that started while the previous
# test's server was shutting down lost its connection ("wine client error:0: recvmsg: Connection
# reset by peer") and failed at once.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

if [ "${ORVANE_WINE_SHARED:-0}" != 1 ]; then
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-windows: creating the Wine prefix"
    timeout 300 xvfb-run -a wineboot --init >/dev/null 2>&1 || true
  fi
  # The rest runs inside the suite's X display (this script again, with ORVANE_WINE_SHARED=1).
  ORVANE_WINE_SHARED=1 exec timeout 1800 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

# A server of this prefix left by wineboot or by an aborted run ends first; then the suite's own,
# persistent (-p: it stays when no Wine program runs) until it is ended here.
stop_server() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
}
# wineboot's server ends by itself a few seconds after wineboot (with the registry saved).
timeout 30 wineserver -w >/dev/null 2>&1 || stop_server
trap stop_server EXIT
wineserver -p
# Wine's own programs (services, the desktop and device processes) start with the first Wine
# program and now outlive it: started here, they hold no test's output open, which would keep
# ctest waiting for that test to end.
timeout 300 wineboot --init </dev/null >/dev/null 2>&1 || true
echo "test-windows: one Wine server for the suite (WINEPREFIX=$WINEPREFIX, DISPLAY=$DISPLAY)"
ctest --test-dir build/windows -L wine --output-on-failure --timeout 300 "$@"
