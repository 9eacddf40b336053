#!/usr/bin/env bash
# Windows end to end, simulator mode: orvane-sim.exe frozen at a demo time and OrvaneGCPfd.exe under one Wine prefix.
# Checks the title, the window position, the attitude and annunciations in a screenshot, and compares
# the picture with the Linux snapshot of the same flight state.
source "$(dirname "$0")/e2e_lib.sh"

# Final approach over the middle marker (docs/demo-flight.md, demo::times::kIlsApproachMiddleMarker):
# "AP ENG", "LOC" and "GS" green, marker "M" amber, RA readout 260 with its "RA" label.
DEMO_TIME=264
EXPECT="AP ENG:green,LOC:green,GS:green,M:amber,260:blue,RA:white"
WIN_X=40
WIN_Y=30
TITLE='Orvane PFD Panel v1.0 - Freeware [FSUIPC]'

e2e_begin simulator
printf '[LAN]\r\nUSELAN=N\r\n[WINDOW]\r\nX=%d\r\nY=%d\r\n' "$WIN_X" "$WIN_Y" >"$E2E_RUN/OrvaneGCPfd.INI"

e2e_start sim orvane-sim.exe --demo-time "$DEMO_TIME" --freeze
SIM_PID=$E2E_PID
e2e_wait_log "$E2E_WORK/sim.log" "serving class" 60 || e2e_abort "orvane-sim.exe did not start: $(cat "$E2E_WORK/sim.log")"

e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
e2e_log "display window $WID"

name=$(xdotool getwindowname "$WID")
[ "$name" = "$TITLE" ] || e2e_fail "title '$name', expected '$TITLE'"
e2e_expect_client_at "$WID" "$WIN_X" "$WIN_Y"

e2e_linux_panel "$DEMO_TIME" "$E2E_WORK/describe.txt" "$E2E_WORK/linux-panel.ppm"
e2e_probe_until 30 "$WID" "$E2E_WORK/describe.txt" "$EXPECT" || e2e_fail "the window does not show demo time $DEMO_TIME"
python3 "$E2E_LIB_DIR/pfd_probe.py" compare --windows "$E2E_WORK/window.ppm" --linux "$E2E_WORK/linux-panel.ppm" \
  || e2e_fail "the Windows picture differs from the Linux snapshot"
convert "$E2E_WORK/window.ppm" "$E2E_WORK/window.png" || true

grep -q "client block" "$E2E_WORK/sim.log" || e2e_fail "orvane-sim.exe saw no client: $(cat "$E2E_WORK/sim.log")"
kill -0 "$SIM_PID" 2>/dev/null || e2e_fail "orvane-sim.exe ended early"

# End the display as a user would (the close checks themselves are in wine_e2e_close.sh).
e2e_press_key "$WID" alt+F4
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 0 ] || e2e_fail "OrvaneGCPfd.exe ended with '$E2E_RC' after Alt+F4, expected 0: $(cat "$E2E_WORK/pfd.log")"
e2e_log "display ended with $E2E_RC"
