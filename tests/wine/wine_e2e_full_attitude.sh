#!/usr/bin/env bash
# Windows end to end, the full layout's attitude flag: OrvaneGCPfd.exe with [PFD] LAYOUT=FULL
# reading a stand-in X-Plane (tests/support/fake_xplane.py) that answers 3 degrees nose up and
# 12 right. Checks the attitude area live in a screenshot (sky and ground, no "ATT"); then, with
# pitch and bank unanswered while the rest arrives, "ATT" alone in the frame log's flags column,
# read back from the drawn pixels as well, and no sky or ground in the window's attitude area with
# the amber "ATT" over the aircraft symbol; and the horizon back when they answer again.
source "$(dirname "$0")/e2e_lib.sh"

PITCH=sim/flightmodel/position/theta
BANK=sim/flightmodel/position/phi

# xplane_values [SILENT-PATH...]: 3 up, 12 right, every other dataref 0; the paths given unanswered.
xplane_values() {
  {
    printf '%s=3\n%s=12\n' "$PITCH" "$BANK"
    printf 'sim/cockpit2/gauges/indicators/airspeed_kts_pilot=250\n'
    printf 'sim/cockpit2/gauges/indicators/altitude_ft_pilot=5000\n'
    printf 'sim/cockpit2/gauges/actuators/barometer_setting_in_hg_pilot=29.92\n'
    printf 'sim/cockpit2/gauges/indicators/radio_altimeter_height_ft_pilot=3000\n'
    local path
    for path in "$@"; do printf 'SILENT %s\n' "$path"; done
  } >"$E2E_WORK/xplane.values.new"
  mv "$E2E_WORK/xplane.values.new" "$E2E_WORK/xplane.values"
}

# probe_until SECONDS live|lost: screenshots the window until the attitude area is as expected.
probe_until() {
  local deadline=$(( $(date +%s) + $1 )) n=0
  while :; do
    n=$((n + 1))
    if e2e_screenshot "$WID" "$E2E_WORK/window.ppm" 2>"$E2E_WORK/import.log" &&
       python3 "$E2E_LIB_DIR/pfd_probe.py" full-attitude --image "$E2E_WORK/window.ppm" --expect "$2" \
         >"$E2E_WORK/probe-$2.txt" 2>&1; then
      e2e_log "attitude area $2 on screenshot $n"
      cat "$E2E_WORK/probe-$2.txt"
      convert "$E2E_WORK/window.ppm" "$E2E_WORK/window-$2.png" || true
      return 0
    fi
    if [ "$(date +%s)" -ge "$deadline" ]; then
      cat "$E2E_WORK/import.log" "$E2E_WORK/probe-$2.txt" 2>/dev/null || true
      convert "$E2E_WORK/window.ppm" "$E2E_WORK/window-$2.png" 2>/dev/null || true
      return 1
    fi
    sleep 0.5
  done
}

# last_frames_raise N FLAGS PIXEL-FLAG: the frame log's last N lines raise FLAGS, with the drawn flag
# read back as PIXEL-FLAG (1 or 0). The display writes its lines the Windows way, ending in CR LF.
last_frames_raise() {
  local log=$E2E_RUN/frames.log
  [ -f "$log" ] || return 1
  [ "$(grep -vc '^#' "$log")" -ge "$1" ] || return 1
  grep -v '^#' "$log" | tail -n "$1" | tr -d '\r' | awk -v want="$2" -v flag="$3" 'NF == 10 && ($10 != want || $3 != flag) {bad = 1}
    NF != 10 {bad = 1} END {exit bad}'
}

wait_frames_raise() {
  local deadline=$(( $(date +%s) + $1 ))
  until last_frames_raise 10 "$2" "$3"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

e2e_begin full_attitude
xplane_values
python3 "$E2E_LIB_DIR/../support/fake_xplane.py" --values "$E2E_WORK/xplane.values" --status "$E2E_WORK/xplane.status" \
  --seconds 280 >"$E2E_WORK/xplane.log" 2>&1 &
E2E_PIDS+=($!)
e2e_wait_log "$E2E_WORK/xplane.status" "port=[0-9]+" 20 || e2e_abort "the stand-in X-Plane did not start: $(cat "$E2E_WORK/xplane.log")"
PORT=$(grep -Eo "port=[0-9]+" "$E2E_WORK/xplane.status" | tr -dc 0-9)
e2e_log "stand-in X-Plane on UDP port $PORT"
printf '[SIMULATOR]\r\nSOURCE=XPLANE\r\nXPLANEHOST=127.0.0.1\r\nXPLANEPORT=%s\r\n[WINDOW]\r\nX=0\r\nY=0\r\n[PFD]\r\nLAYOUT=FULL\r\n' \
  "$PORT" >"$E2E_RUN/OrvaneGCPfd.INI"

# The frame log, in the run folder (the display's current folder).
ORVANE_FRAME_LOG=frames.log e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
read -r _ _ gw gh < <(e2e_geometry "$WID")
[ "$gw" = 460 ] && [ "$gh" = 424 ] || e2e_fail "client area ${gw}x${gh}, expected the full panel's 460x424"

probe_until 30 live || e2e_fail "the live attitude area shows no horizon (or an ATT flag)"
wait_frames_raise 10 - 0 || e2e_fail "the frame log does not read '-' with everything answered: $(tail -3 "$E2E_RUN/frames.log" 2>/dev/null)"

xplane_values "$PITCH" "$BANK"
e2e_log "pitch and bank unanswered"
wait_frames_raise 10 ATT 1 || e2e_fail "the frame log does not raise ATT alone, drawn, with pitch and bank unanswered: $(tail -3 "$E2E_RUN/frames.log" 2>/dev/null)"
probe_until 10 lost || e2e_fail "with the attitude lost the window still shows sky or ground, or no ATT"
grep -v '^#' "$E2E_RUN/frames.log" | tail -n 1 | tr -d '\r' | sed 's/^/last frame: /'

xplane_values
e2e_log "pitch and bank answered again"
probe_until 10 live || e2e_fail "the horizon does not come back"
wait_frames_raise 10 - 0 || e2e_fail "the flag does not go: $(tail -3 "$E2E_RUN/frames.log" 2>/dev/null)"

e2e_press_key "$WID" alt+F4
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 0 ] || e2e_fail "OrvaneGCPfd.exe ended with '$E2E_RC' after Alt+F4, expected 0: $(cat "$E2E_WORK/pfd.log")"
