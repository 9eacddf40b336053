#!/usr/bin/env bash
# The main job: the display in simulator mode against orvane-sim's demo flight.
# With a display it opens the window (close it or press Ctrl+C to stop both programs); headless it
# records the live display for about a minute into PNG snapshots, then as long again with the full
# layout ([PFD] LAYOUT=FULL: speed, altitude, vertical speed and heading around the horizon) into a
# second folder, and prints where they are.
# Options (environment): DEMO_START=<demo seconds> (default 215: the final approach, outer to inner marker),
# DEMO_SECONDS=<headless run length> (default 60), DEMO_EVERY_MS=<snapshot interval> (default 4000).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh linux
scripts/build.sh linux >/dev/null
run=$root/build/linux/run
out=$root/out/demo
mkdir -p "$out/snapshots" "$out/snapshots-full"
rm -f "$out"/snapshots/*.png "$out"/snapshots-full/*.png

# The run folder a user would have: programs, artwork and a settings file for simulator mode.
cp "$root/dist/OrvaneGCPfd.INI" "$run/OrvaneGCPfd.INI"
sed -i 's/^USELAN=.*/USELAN=N/' "$run/OrvaneGCPfd.INI"

start=${DEMO_START:-215}
cd "$run"
./orvane-sim --demo-time "$start" >"$out/orvane-sim.log" 2>&1 &
sim=$!
cleanup() { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
trap cleanup EXIT INT TERM
sleep 0.5

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: the display is open; close its window (or press Ctrl+C) to stop"
  ./OrvaneGCPfd || true
else
  seconds=${DEMO_SECONDS:-60}
  # One recording of the live display: $1 the layout, $2 the snapshot folder.
  record() {
    sed -i '/^\[PFD\]/,$ s/^LAYOUT=.*/LAYOUT='"$1"'/' "$run/OrvaneGCPfd.INI"
    echo "demo: no display; recording ${seconds} s of the live display (${1} layout) from demo time ${start} s"
    SDL_VIDEODRIVER=offscreen ORVANE_NO_DIALOGS=1 ORVANE_SNAPSHOT_DIR="$2" \
      ORVANE_SNAPSHOT_EVERY_MS=${DEMO_EVERY_MS:-4000} ORVANE_RUN_SECONDS="$seconds" \
      ./OrvaneGCPfd >"$out/OrvaneGCPfd-$1.log" 2>&1 || { echo "demo: the display failed:"; tail -5 "$out/OrvaneGCPfd-$1.log"; exit 1; }
    n=$(ls "$2"/*.png 2>/dev/null | wc -l)
    echo "demo: ${n} snapshots of the live display (${1} layout) are in $2"
  }
  record CLASSIC "$out/snapshots"
  # The demo flight goes on from where it is: restart it so the full layout flies the same approach.
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  ./orvane-sim --demo-time "$start" >>"$out/orvane-sim.log" 2>&1 &
  sim=$!
  sleep 0.5
  record FULL "$out/snapshots-full"
fi
