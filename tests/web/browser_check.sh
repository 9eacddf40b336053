#!/usr/bin/env bash
# The browser display in Debian's headless Chromium against OrvaneGCServer --web: the page loads,
# connects, shows the demo flight's values, shows "not connected" within 2.5 s when the server
# stops or hangs and reconnects by itself. Both layouts; screenshots in build/web/browser-check/.
# First the browser build's model against the desktop's (tests/web/model_check.sh).
# Needs build/linux (OrvaneGCServer) and scripts/build.sh web; chromium and node
# (scripts/install-deps.sh web). About a minute; not part of the quick test command.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
server=${ORVANE_SERVER:-$root/build/linux/run/OrvaneGCServer}
web=${ORVANE_WEB_ROOT:-$root/build/web/run/web}
out=${ORVANE_BROWSER_OUT:-$root/build/web/browser-check}
chromium=${CHROMIUM:-chromium}

case "${1:-}" in
  -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
[ -x "$server" ] || { echo "browser_check: $server not built (scripts/build.sh linux)" >&2; exit 2; }
[ -f "$web/orvane_web.wasm" ] || { echo "browser_check: $web/orvane_web.wasm not built (scripts/build.sh web)" >&2; exit 2; }
command -v "$chromium" >/dev/null || { echo "browser_check: $chromium not found (apt-get install chromium)" >&2; exit 2; }
command -v node >/dev/null || { echo "browser_check: node not found (apt-get install nodejs)" >&2; exit 2; }
mkdir -p "$out/full" "$out/classic"

status=0
"$root/tests/web/model_check.sh" || status=1
timeout 120 node "$root/tests/web/browser_check.mjs" --server "$server" --web-root "$web" --out "$out/full" \
  --chromium "$chromium" --layout full --baro inhg || status=1
timeout 120 node "$root/tests/web/browser_check.mjs" --server "$server" --web-root "$web" --out "$out/classic" \
  --chromium "$chromium" --layout classic --baro hpa || status=1
exit $status
