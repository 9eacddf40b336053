#!/usr/bin/env bash
# Windows end to end, the display reading X-Plane itself ([SIMULATOR] SOURCE=XPLANE): a stand-in
# X-Plane (tests/support/fake_xplane.py) answers its subscriptions with 5 degrees nose up and a
# 15 degree right bank (nothing else: the radio altitude reads "0 RA"). Checks the "[X-PLANE]" title, the attitude in a screenshot (and the picture
# against the Linux rendering of the same values), that the frame follows a change to 10 degrees
# left, "[NOT CONNECTED]" when X-Plane falls silent and "[X-PLANE]" again when it answers, and that
# closing the display ends every subscription.
source "$(dirname "$0")/e2e_lib.sh"

TITLE='Orvane PFD Panel v1.0 - Freeware [X-PLANE]'
NOT_CONNECTED='Orvane PFD Panel v1.0 - Freeware [NOT CONNECTED]'

# wait_title WID TITLE SECONDS: true once the window's title reads TITLE.
wait_title() {
  local deadline=$(( $(date +%s) + $3 ))
  until [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# xplane_values PITCH-UP BANK-RIGHT: what the stand-in X-Plane answers from now on.
xplane_values() {
  printf 'sim/flightmodel/position/theta=%s\nsim/flightmodel/position/phi=%s\n' "$1" "$2" >"$E2E_WORK/xplane.values"
}

# linux_panel PITCH-UP BANK-RIGHT NAME: the Linux rendering and description of those values alone.
linux_panel() {
  local snap=$ORVANE_HOST_RUN_DIR/orvane-snapshot
  [ -x "$snap" ] || e2e_abort "the Linux build's orvane-snapshot is not at '$snap' (build the linux preset first)"
  printf 'Pitch=%s\nBank=%s\n' "$(awk "BEGIN{print -($1)}")" "$(awk "BEGIN{print -($2)}")" >"$E2E_WORK/$3.state"
  "$snap" --state "$E2E_WORK/$3.state" --inclination raw --assets "$ORVANE_WIN_RUN_DIR" --describe \
    --out "$E2E_WORK/$3.png" >"$E2E_WORK/$3.txt" || e2e_abort "orvane-snapshot failed for $3"
  convert "$E2E_WORK/$3.png" -depth 8 "ppm:$E2E_WORK/$3.ppm"
}

e2e_begin xplane
xplane_values 5 15
python3 "$E2E_LIB_DIR/../support/fake_xplane.py" --values "$E2E_WORK/xplane.values" --status "$E2E_WORK/xplane.status" \
  --seconds 280 >"$E2E_WORK/xplane.log" 2>&1 &
E2E_PIDS+=($!)
e2e_wait_log "$E2E_WORK/xplane.status" "port=[0-9]+" 20 || e2e_abort "the stand-in X-Plane did not start: $(cat "$E2E_WORK/xplane.log")"
PORT=$(grep -Eo "port=[0-9]+" "$E2E_WORK/xplane.status" | tr -dc 0-9)
e2e_log "stand-in X-Plane on UDP port $PORT"
printf '[SIMULATOR]\r\nSOURCE=XPLANE\r\nXPLANEHOST=127.0.0.1\r\nXPLANEPORT=%s\r\n[WINDOW]\r\nX=0\r\nY=0\r\n' "$PORT" \
  >"$E2E_RUN/OrvaneGCPfd.INI"

e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
e2e_log "display window $WID"
wait_title "$WID" "$TITLE" 30 || e2e_fail "title '$(xdotool getwindowname "$WID")', expected '$TITLE'"

# The attitude X-Plane sends, and the picture against the Linux rendering of the same values.
linux_panel 5 15 up5-right15
e2e_probe_until 30 "$WID" "$E2E_WORK/up5-right15.txt" "0:blue,RA:white" || e2e_fail "the window does not show 5 up, 15 right"
python3 "$E2E_LIB_DIR/pfd_probe.py" compare --windows "$E2E_WORK/window.ppm" --linux "$E2E_WORK/up5-right15.ppm" \
  || e2e_fail "the Windows picture differs from the Linux rendering of the same values"
# The frame follows.
xplane_values 0 -10
linux_panel 0 -10 level-left10
e2e_probe_until 10 "$WID" "$E2E_WORK/level-left10.txt" "0:blue,RA:white" || e2e_fail "the window does not follow to 10 degrees left"

# X-Plane falls silent, then answers again.
echo SILENT >"$E2E_WORK/xplane.values"
e2e_log "X-Plane silent"
wait_title "$WID" "$NOT_CONNECTED" 10 || e2e_fail "silent X-Plane: title '$(xdotool getwindowname "$WID")'"
e2e_log "title: '$(xdotool getwindowname "$WID")'"
xplane_values 0 -10
wait_title "$WID" "$TITLE" 10 || e2e_fail "X-Plane back: title '$(xdotool getwindowname "$WID")'"
e2e_log "X-Plane answers again: '$(xdotool getwindowname "$WID")'"

e2e_press_key "$WID" alt+F4
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 0 ] || e2e_fail "OrvaneGCPfd.exe ended with '$E2E_RC' after Alt+F4, expected 0: $(cat "$E2E_WORK/pfd.log")"
sleep 0.5
status=$(cat "$E2E_WORK/xplane.status")
e2e_log "stand-in X-Plane after the display closed: $status"
echo "$status" | grep -q " subscriptions=0 " || e2e_fail "subscriptions left after the display closed: $status"
echo "$status" | grep -Eq " unsubscribes=[1-9]" || e2e_fail "the display ended no subscription: $status"
