#!/usr/bin/env bash
# Soak test: the display against the demo flight (orvane-sim or OrvaneGCServer) for a long headless run under ASan/UBSan/LSan.
#
# Usage: tests/soak.sh [SECONDS] [sim|network]      (default 600 s, simulator mode)
#   Builds the asan preset (scripts/build.sh asan, into build/asan) unless ORVANE_SOAK_BUILD_DIR names
#   a sanitizer build folder to use as it is. Runs the demo flight's peer (orvane-sim, or
#   OrvaneGCServer for network mode) and OrvaneGCPfd (SDL offscreen driver, ORVANE_RUN_SECONDS=SECONDS,
#   frame log on) and fails on any sanitizer report, a nonzero exit of either program, a failure flag
#   on any frame (the demo always answers), or no frames at all.
#   Prints frames, frames per second, the longest frame gap and the display's memory (VmRSS).
#   ORVANE_SOAK_KEEP=1 keeps the work folder (logs, frame log) and prints its path.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-600}
mode=${2:-sim}
if [ "$seconds" = "--help" ] || [ "$seconds" = "-h" ]; then
  sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
  exit 0
fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "soak: SECONDS must be a whole number of seconds above 0, not '$seconds'" >&2
  exit 2
fi
case "$mode" in
  sim) peer=orvane-sim ;;
  network) peer=OrvaneGCServer ;;
  *) echo "soak: the mode is sim or network, not '$mode'" >&2; exit 2 ;;
esac

log() { echo "soak: $*"; }
fail() { echo "soak: FAILED: $*" >&2; exit 1; }

build=${ORVANE_SOAK_BUILD_DIR:-}
if [ -z "$build" ]; then
  log "building the asan preset (scripts/build.sh asan)"
  scripts/build.sh asan || fail "the asan build failed"
  build=$root/build/asan
fi
run=$build/run
for program in OrvaneGCPfd "$peer"; do
  [ -x "$run/$program" ] || fail "$run/$program is missing (build the asan preset first)"
done
# (grep -q would stop reading early and, under pipefail, fail the pipeline with ldd's SIGPIPE)
ldd "$run/OrvaneGCPfd" | grep libasan >/dev/null || fail "$run/OrvaneGCPfd is not built with AddressSanitizer"

work=$(mktemp -d /tmp/orvane-soak.XXXXXX)
sim_pid=""
pfd_pid=""
cleanup() {
  [ -n "$pfd_pid" ] && kill -TERM "$pfd_pid" 2>/dev/null
  [ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  if [ "${ORVANE_SOAK_KEEP:-0}" = "1" ]; then log "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# A user's folder: the artwork and the icon; a settings file for network mode only.
folder=$work/folder
mkdir -p "$folder"
for f in "$run"/*.txr "$run"/font.bmp "$run"/plane2.ico; do
  [ -e "$f" ] || fail "artwork $f is missing in $run"
  ln -s "$f" "$folder/"
done

export SDL_VIDEODRIVER=offscreen
export ORVANE_NO_DIALOGS=1
export ORVANE_IPC_NAMESPACE=soak-$$
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:log_path=$work/asan
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$work/ubsan
export LSAN_OPTIONS=report_objects=0

# Mesa loads its GL driver with dlopen and unloads it when SDL closes the context; the driver's own
# allocations then show up as leaks in an "<unknown module>". Keeping the driver loaded (preloaded
# after the ASan runtime) leaves them reachable, so any leak that is still reported is ours.
preload=""
asan_lib=$(ldd "$run/OrvaneGCPfd" | awk '/libasan/ && !found {print $3; found = 1}')
libdir=$(dirname "${asan_lib:-/usr/lib/x86_64-linux-gnu/libasan.so}")
for lib in "$asan_lib" "$libdir/libEGL_mesa.so.0" "$libdir/dri/swrast_dri.so"; do
  [ -n "$lib" ] && [ -e "$lib" ] && preload="$preload $lib"
done

log "$peer (demo flight), then OrvaneGCPfd for $seconds s in $mode mode; work folder $work"
if [ "$mode" = sim ]; then
  ready="serving class"
  "$run/orvane-sim" --duration $((seconds + 120)) >"$work/sim.log" 2>&1 &
else
  ready="listening on"
  "$run/OrvaneGCServer" --port 0 --bind 127.0.0.1 --duration $((seconds + 120)) >"$work/sim.log" 2>&1 &
fi
sim_pid=$!
for _ in $(seq 1 150); do
  grep -q "$ready" "$work/sim.log" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q "$ready" "$work/sim.log" || { cat "$work/sim.log" >&2; fail "$peer did not come up"; }
if [ "$mode" = network ]; then
  port=$(sed -n 's/.*listening on 127.0.0.1 port \([0-9]*\).*/\1/p' "$work/sim.log" | head -n 1)
  [ -n "$port" ] || fail "no port in the server's log"
  printf '[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=%s\n' "$port" >"$folder/OrvaneGCPfd.INI"
fi

(
  cd "$folder" && exec env LD_PRELOAD="${preload# }" ORVANE_RUN_SECONDS="$seconds" \
    ORVANE_FRAME_LOG="$work/frames.log" "$run/OrvaneGCPfd"
) >"$work/pfd.log" 2>&1 &
pfd_pid=$!

# Memory of the display every 10 s; stop it hard if it overruns its time by far.
deadline=$(( $(date +%s) + seconds + 120 ))
rss_samples=()
while kill -0 "$pfd_pid" 2>/dev/null; do
  for _ in $(seq 1 100); do kill -0 "$pfd_pid" 2>/dev/null || break; sleep 0.1; done
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pfd_pid/status" 2>/dev/null)
  [ -n "$rss" ] && rss_samples+=("$rss")
  if [ "$(date +%s)" -gt "$deadline" ]; then
    kill -KILL "$pfd_pid" 2>/dev/null
    fail "OrvaneGCPfd did not end within $((seconds + 120)) s"
  fi
done
wait "$pfd_pid"
pfd_rc=$?
pfd_pid=""
kill -TERM "$sim_pid" 2>/dev/null
wait "$sim_pid"
sim_rc=$?
sim_pid=""

status=0
if [ "$pfd_rc" -ne 0 ]; then
  echo "soak: OrvaneGCPfd ended with exit code $pfd_rc; its output:" >&2
  tail -n 60 "$work/pfd.log" >&2
  status=1
fi
if [ "$sim_rc" -ne 0 ]; then
  echo "soak: $peer ended with exit code $sim_rc; its output:" >&2
  tail -n 30 "$work/sim.log" >&2
  status=1
fi
for report in "$work"/asan.* "$work"/ubsan.*; do
  [ -e "$report" ] || continue
  echo "soak: sanitizer report $report:" >&2
  head -n 80 "$report" >&2
  status=1
done
if grep -E -q "ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: (Address|UndefinedBehavior)Sanitizer" \
    "$work/pfd.log" "$work/sim.log"; then
  echo "soak: sanitizer output in the program logs:" >&2
  grep -E -A20 "ERROR: (Address|Leak)Sanitizer|runtime error:" "$work/pfd.log" "$work/sim.log" | head -n 80 >&2
  status=1
fi

[ -s "$work/frames.log" ] || fail "no frame log: the display drew no frame"
read -r frames flagged max_gap_us total_us < <(awk '
  !/^#/ { n++; f += $3; if ($5 > g) g = $5; if (n == 1) first = $2 - $5; last = $2 }
  END { printf "%d %d %d %d\n", n, f, g, last - first }' "$work/frames.log")
fps=$(awk -v n="$frames" -v us="$total_us" 'BEGIN { if (us > 0) printf "%.1f", n / (us / 1e6); else print 0 }')
if [ "$mode" = sim ]; then
  batches="$(sed -n 's/.*stopped after \([0-9]*\) batches.*/\1/p' "$work/sim.log" | tail -n 1) batches"
else
  batches="$(grep -c 'disconnect' "$work/sim.log") disconnects"
fi
rss_text="none"
if [ "${#rss_samples[@]}" -gt 0 ]; then
  rss_min=$(printf '%s\n' "${rss_samples[@]}" | sort -n | head -n 1)
  rss_max=$(printf '%s\n' "${rss_samples[@]}" | sort -n | tail -n 1)
  rss_text="${#rss_samples[@]} samples, first ${rss_samples[0]} kB, last ${rss_samples[-1]} kB, min $rss_min kB, max $rss_max kB"
fi
log "frames $frames in $((total_us / 1000000)) s ($fps per second), failure flag on $flagged frames," \
    "longest frame gap $((max_gap_us / 1000)) ms; $peer: ${batches:-?}"
log "display memory (VmRSS): $rss_text"

[ "$frames" -gt 0 ] || { echo "soak: no frames drawn" >&2; status=1; }
if [ "$flagged" -ne 0 ]; then
  echo "soak: the failure flag was up on $flagged frames, though $peer answered throughout" >&2
  status=1
fi
if [ "$status" -ne 0 ]; then fail "see above"; fi
log "passed: no sanitizer report, no leak, both programs ended with 0"
