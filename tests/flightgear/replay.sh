#!/usr/bin/env bash
# The end-to-end check without FlightGear: a recorded FlightGear feed (orvane generic protocol, as
# FlightGear sent it, with its arrival times) is replayed with its own timing into
# OrvaneGCServer --source flightgear; the display runs headless in network mode against the server
# (or, with DIRECT=1, reads the feed itself: [SIMULATOR] SOURCE=FLIGHTGEAR), and its frame log is
# compared with the attitude the replay sent (attitude_compare.py: within 1 degree and 2 frames).
#
#   tests/flightgear/replay.sh [RECORDING]     default tests/flightgear/recording.txt.gz (75 s of flight)
#   BUILD_DIR=build/linux  PIPELINE=Y|N  DIRECT=1  KEEP=1
#   REPLAY_SECONDS=S                           replay only the first S seconds (at least 30 for the
#                                              comparison to see enough bank)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build/linux}
run=$build/run
recording=${1:-$here/recording.txt.gz}
fail() { echo "replay.sh: FAIL: $*" >&2; exit 1; }
for f in OrvaneGCServer OrvaneGCPfd pfd_2.txr font.bmp plane2.ico; do
  [ -e "$run/$f" ] || fail "$run/$f is missing: build OrvaneGCServer and OrvaneGCPfd first"
done
[ -f "$recording" ] || fail "no recording $recording"

work=$(mktemp -d /tmp/orvane-fg-replay.XXXXXX)
pids=()
cleanup() {
  local status=$?
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  if [ "$status" -ne 0 ] || [ -n "${KEEP:-}" ]; then echo "replay.sh: logs kept in $work"; else rm -rf "$work"; fi
  exit "$status"
}
trap cleanup EXIT INT TERM

free_port() { python3 -c 'import socket,sys; s=socket.socket(type=int(sys.argv[1])); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' "$1"; }
server_port=$(free_port 1)
feed_port=$(free_port 2)
# Length of the recording, to size the display's run.
seconds=$(python3 - "$recording" <<'EOF'
import gzip, sys
path = sys.argv[1]
with (gzip.open if path.endswith(".gz") else open)(path, "rt") as f:
    times = [int(l.split("\t", 1)[0]) for l in f if l[:1].isdigit()]
print(max(5, int((times[-1] - times[0]) / 1e6)))
EOF
)
replay_limit=()
if [ -n "${REPLAY_SECONDS:-}" ]; then
  [ "$REPLAY_SECONDS" -ge 5 ] 2>/dev/null || fail "REPLAY_SECONDS=$REPLAY_SECONDS: a whole number of seconds, at least 5"
  [ "$REPLAY_SECONDS" -lt "$seconds" ] && seconds=$REPLAY_SECONDS
  replay_limit=(--seconds "$seconds")
fi

mkdir -p "$work/pfd"
cp "$run"/*.txr "$run/font.bmp" "$run/plane2.ico" "$work/pfd/"
if [ -z "${DIRECT:-}" ]; then
  "$run/OrvaneGCServer" --source flightgear --fg-port "$feed_port" --port "$server_port" --bind 127.0.0.1 \
    --duration $((seconds + 120)) >"$work/server.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    python3 -c 'import socket,sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1).close()' "$server_port" 2>/dev/null && break
    sleep 0.1
  done
  printf '[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=%s\nPIPELINE=%s\n[WINDOW]\nX=0\nY=0\nMAXFPS=0\n' \
    "$server_port" "${PIPELINE:-Y}" >"$work/pfd/OrvaneGCPfd.INI"
else
  printf '[WINDOW]\nX=0\nY=0\nMAXFPS=0\n[SIMULATOR]\nSOURCE=FLIGHTGEAR\nFGPORT=%s\n' "$feed_port" >"$work/pfd/OrvaneGCPfd.INI"
fi
(cd "$work/pfd" && SDL_VIDEODRIVER=offscreen ORVANE_NO_DIALOGS=1 ORVANE_RUN_SECONDS=$((seconds + 2)) \
  ORVANE_FRAME_LOG="$work/frames.log" exec "$run/OrvaneGCPfd" >"$work/pfd.log" 2>&1) &
display_pid=$!
pids+=("$display_pid")

into=server
[ -n "${DIRECT:-}" ] && into="display alone"
echo "replay.sh: replaying $(basename "$recording") ($seconds s) into the $into"
python3 "$here/fg_stream.py" replay --recording "$recording" --to "127.0.0.1:$feed_port" --truth "$work/sent.txt" \
  "${replay_limit[@]}" ||
  fail "the replay stopped"
for _ in $(seq 300); do kill -0 "$display_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$display_pid" 2>/dev/null && fail "the display did not end after its run time"
[ -s "$work/frames.log" ] || { cat "$work/pfd.log" >&2; fail "the display wrote no frame log"; }

if python3 "$here/attitude_compare.py" "$work/frames.log" "$work/sent.txt" --skip-s 3; then
  echo "replay.sh: PASS: the display followed the replayed FlightGear attitude within 1 degree and 2 frames"
else
  fail "the display did not follow the replayed attitude"
fi
