#!/usr/bin/env bash
# End to end with a real FlightGear: FlightGear (Xvfb, software GL) flies the C172P at 3,000 ft
# over San Francisco (KSFO, ILS 28L/28R) and feeds OrvaneGCServer --source flightgear with the
# orvane generic protocol; the display runs headless in network mode against that server (or, with
# DIRECT=1, reads the feed itself: [SIMULATOR] SOURCE=FLIGHTGEAR, no server). Through
# FlightGear's telnet property server the KAP140 autopilot is engaged and commanded through turns
# and a climb, while FlightGear's own attitude is sampled through its HTTP server on the monotonic
# clock. At the end the
# display's frame log is compared with those samples: every frame must show FlightGear's attitude
# within 1 degree and 2 frames (tests/flightgear/attitude_compare.py).
#
#   tests/flightgear/run.sh                 about 3 minutes (FlightGear needs 1 to 2 to take off)
#   FLY_SECONDS=75                          length of the flight programme (at least 60)
#   RECORD=FILE                             also record the feed FlightGear sends (fg_stream.py format)
#   DIRECT=1                                the display alone: FlightGear's feed straight into it
#   BUILD_DIR=build/linux                   where OrvaneGCServer and OrvaneGCPfd are (run/)
#   KEEP=1                                  keep the scratch folder (kept anyway on failure)
#
# Needs: apt-get install flightgear xvfb (FlightGear 2020.3 and its data); root or a writable
# $FG_ROOT/Protocol, where the protocol file is installed. Not part of the project's test command.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build/linux}
run=$build/run
fly_seconds=${FLY_SECONDS:-75}
fg_root=${FG_ROOT:-/usr/share/games/flightgear}
fgfs=${FGFS:-/usr/games/fgfs}
telnet_port=${FG_TELNET_PORT:-5401}
http_port=${FG_HTTP_PORT:-5480}
feed_port=${FG_FEED_PORT:-5500}
record_port=${FG_RECORD_PORT:-5501}
server_port=${SERVER_PORT:-2131}

say() { echo "run.sh: $*"; }
fail() { echo "run.sh: FAIL: $*" >&2; exit 1; }

[ -x "$fgfs" ] || fail "no FlightGear at $fgfs (apt-get install flightgear)"
[ -d "$fg_root/Aircraft/c172p" ] || fail "no C172P in $fg_root/Aircraft (FlightGear's data is missing)"
command -v Xvfb >/dev/null || fail "no Xvfb (apt-get install xvfb)"
direct=${DIRECT:-}
for f in OrvaneGCServer OrvaneGCPfd pfd_2.txr font.bmp plane2.ico; do
  [ -e "$run/$f" ] || fail "$run/$f is missing: build OrvaneGCServer and OrvaneGCPfd first"
done
[ "$fly_seconds" -ge 60 ] 2>/dev/null || fail "FLY_SECONDS=$fly_seconds: at least 60 (a minute of flight)"

work=$(mktemp -d /tmp/orvane-fg-e2e.XXXXXX)
pids=()
display_pid=
cleanup() {
  local status=$?
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # Every process gets 10 s to end after SIGTERM, then SIGKILL.
  for pid in "${pids[@]}"; do
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  if [ "$status" -ne 0 ] || [ -n "${KEEP:-}" ]; then say "logs kept in $work"; else rm -rf "$work"; fi
  exit "$status"
}
trap cleanup EXIT INT TERM

# The protocol file goes where FlightGear looks for it.
protocol=$root/dist/flightgear/orvane.xml
[ -f "$protocol" ] || fail "no $protocol"
if ! cmp -s "$protocol" "$fg_root/Protocol/orvane.xml"; then
  cp "$protocol" "$fg_root/Protocol/orvane.xml" || fail "cannot install the protocol file in $fg_root/Protocol"
fi

# A free X display.
display_number=
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display_number=$n; break; fi
done
[ -n "$display_number" ] || fail "no free X display between :90 and :120"
Xvfb ":$display_number" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)

if [ -z "$direct" ]; then
  "$run/OrvaneGCServer" --source flightgear --fg-port "$feed_port" --port "$server_port" --bind 127.0.0.1 \
    --duration $((fly_seconds + 600)) >"$work/server.log" 2>&1 &
  pids+=($!)
fi

# FlightGear: what it draws does not matter here, so it draws as little as it can (terrain, models,
# clouds and the aircraft off) to keep software GL from eating the machine. The telnet server is
# polled 100 times a second (its default, 5, would make the attitude samples too sparse).
fg_options=(
  --aircraft=c172p --airport=KSFO --in-air --altitude=3000 --vc=100 --heading=280
  --timeofday=noon --disable-sound --disable-splash-screen --disable-terrasync --disable-ai-traffic
  --disable-real-weather-fetch --disable-clouds --fog-fastest --visibility=2000 --geometry=320x240
  --prop:/sim/rendering/draw-mask/terrain=false --prop:/sim/rendering/draw-mask/aircraft=false
  --prop:/sim/rendering/draw-mask/models=false --prop:/sim/rendering/draw-mask/clouds=false
  --prop:/sim/rendering/shaders/quality-level=0 --prop:/sim/rendering/random-vegetation=false
  --prop:/sim/rendering/random-buildings=false
  "--telnet=socket,bi,100,127.0.0.1,$telnet_port,tcp" "--httpd=$http_port"
  "--generic=socket,out,30,127.0.0.1,$feed_port,udp,orvane"
)
if [ -n "${RECORD:-}" ]; then fg_options+=("--generic=socket,out,30,127.0.0.1,$record_port,udp,orvane"); fi
mkdir -p "$work/fghome"
say "starting FlightGear (display :$display_number, logs in $work)"
DISPLAY=":$display_number" FG_HOME="$work/fghome" FG_ROOT="$fg_root" DBUS_FATAL_WARNINGS=0 LIBGL_ALWAYS_SOFTWARE=1 \
  "$fgfs" "${fg_options[@]}" >"$work/fgfs.log" 2>&1 &
pids+=($!)
fg_pid=$!

start=$(date +%s)
python3 "$here/fg_props.py" --port "$telnet_port" wait-flying --timeout 300 ||
  { tail -20 "$work/fgfs.log" >&2; fail "FlightGear did not get flying"; }
kill -0 "$fg_pid" 2>/dev/null || fail "FlightGear ended"
say "FlightGear flies after $(( $(date +%s) - start )) s, at $(python3 "$here/fg_props.py" --port "$telnet_port" get /sim/frame-rate) frames/s"

# The display, headless, in network mode (or reading the feed itself), in a run folder of its own.
mkdir -p "$work/pfd"
cp "$run"/*.txr "$run/font.bmp" "$run/plane2.ico" "$work/pfd/"
if [ -z "$direct" ]; then
  printf '[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=%s\nPIPELINE=Y\n[WINDOW]\nX=0\nY=0\nMAXFPS=0\n' \
    "$server_port" >"$work/pfd/OrvaneGCPfd.INI"
else
  printf '[WINDOW]\nX=0\nY=0\nMAXFPS=0\n[SIMULATOR]\nSOURCE=FLIGHTGEAR\nFGPORT=%s\n' "$feed_port" >"$work/pfd/OrvaneGCPfd.INI"
fi
(cd "$work/pfd" && SDL_VIDEODRIVER=offscreen ORVANE_NO_DIALOGS=1 ORVANE_RUN_SECONDS=$((fly_seconds + 5)) \
  ORVANE_FRAME_LOG="$work/frames.log" exec "$run/OrvaneGCPfd" >"$work/pfd.log" 2>&1) &
display_pid=$!
pids+=("$display_pid")

if [ -n "${RECORD:-}" ]; then
  python3 "$here/fg_stream.py" record --listen "$record_port" --seconds "$fly_seconds" --out "$RECORD" \
    --protocol "$protocol" >"$work/record.log" 2>&1 &
  pids+=($!)
fi

python3 "$here/fg_props.py" --port "$telnet_port" --http-port "$http_port" fly --seconds "$fly_seconds" --samples "$work/fg-attitude.txt" \
  --events "$work/events.txt" || fail "the flight programme stopped"

# The display ends by itself after its run time; wait at most 30 s more.
for _ in $(seq 300); do kill -0 "$display_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$display_pid" 2>/dev/null && fail "the display did not end after its run time"
[ -s "$work/frames.log" ] || { cat "$work/pfd.log" >&2; fail "the display wrote no frame log"; }
if [ -z "$direct" ]; then
  say "server: $(grep -c . "$work/server.log") log lines; last: $(tail -1 "$work/server.log")"
else
  say "display alone: $(grep -c FlightGear "$work/pfd.log") FlightGear lines in its log; last: $(grep FlightGear "$work/pfd.log" | tail -1)"
fi

if python3 "$here/attitude_compare.py" "$work/frames.log" "$work/fg-attitude.txt" --skip-s 3; then
  say "PASS: the display followed FlightGear's attitude within 1 degree and 2 frames"
else
  fail "the display did not follow FlightGear's attitude (frame log and samples in $work)"
fi
