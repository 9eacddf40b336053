#!/usr/bin/env bash
# The browser display in Debian's headless Chromium (software WebGL) against OrvaneGCServer --web on
# orvane-sim frozen at a demo time: the page draws the panel orvane-snapshot draws for the same
# state (both layouts, at 2 x and fitted into a 1024 x 768 window), the flags and "not connected" show within 2.5 s when the server
# stops or hangs and leave when it is back, a URL leaving the web folder gets 404. First the browser
# build (scripts/build.sh web) and its model against the desktop's (tests/web/model_check.sh).
# Needs build/linux (scripts/build.sh linux), emscripten, chromium and node (scripts/install-deps.sh
# web). About two minutes; CI runs it, the README's quick test command does not.
# Usage: tests/web/browser_check.sh [--no-build]   (pictures and logs in build/web/browser-check/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
run=${ORVANE_RUN_DIR:-$root/build/linux/run}
web=${ORVANE_WEB_ROOT:-$root/build/web/run/web}
out=${ORVANE_BROWSER_OUT:-$root/build/web/browser-check}
chromium=${CHROMIUM:-chromium}
build=1

case "${1:-}" in
  -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  --no-build) build=0 ;;
  "") ;;
  *) echo "browser_check: unknown option '$1' (--no-build, --help)" >&2; exit 2 ;;
esac
for program in OrvaneGCServer orvane-sim orvane-snapshot orvane-assetgen; do
  [ -x "$run/$program" ] || { echo "browser_check: $run/$program not built (scripts/build.sh linux)" >&2; exit 2; }
done
command -v "$chromium" >/dev/null || { echo "browser_check: $chromium not found (apt-get install chromium)" >&2; exit 2; }
command -v node >/dev/null || { echo "browser_check: node not found (apt-get install nodejs)" >&2; exit 2; }
if [ "$build" = 1 ]; then
  "$root/scripts/build.sh" web
fi
[ -f "$web/orvane_web.wasm" ] || { echo "browser_check: $web/orvane_web.wasm not built (scripts/build.sh web)" >&2; exit 2; }
rm -rf "$out"
mkdir -p "$out/full" "$out/classic"

status=0
"$root/tests/web/model_check.sh" || status=1
for case in "full inhg" "classic hpa"; do
  set -- $case
  echo "--- layout $1, baro $2"
  timeout 150 node "$root/tests/web/browser_check.mjs" --server "$run/OrvaneGCServer" --sim "$run/orvane-sim" \
    --snapshot "$run/orvane-snapshot" --web-root "$web" --out "$out/$1" --chromium "$chromium" \
    --layout "$1" --baro "$2" --scale 2 || status=1
done
exit $status
