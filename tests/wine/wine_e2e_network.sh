#!/usr/bin/env bash
# Windows end to end, network mode: OrvaneGCServer.exe frozen at a demo time and OrvaneGCPfd.exe with USELAN=Y.
# Checks the "[NETWORK]" title, the attitude (a 15 degree right bank) and annunciations in a screenshot,
# and compares the picture with the Linux snapshot of the same flight state.
source "$(dirname "$0")/e2e_lib.sh"

# Descent in a right turn (docs/demo-flight.md, demo::times::kVsAltArmed): "AP ENG", "HDG" and "VS"
# green, "ALT" white (the 3,000 ft target armed), 15 degrees right bank.
DEMO_TIME=75
EXPECT="AP ENG:green,HDG:green,VS:green,ALT:white"
WIN_X=0
WIN_Y=0
TITLE='Orvane PFD Panel v1.0 - Freeware [NETWORK]'

e2e_begin network
e2e_start server OrvaneGCServer.exe --bind 127.0.0.1 --port 0 --demo-time "$DEMO_TIME" --freeze
SERVER_PID=$E2E_PID
e2e_wait_log "$E2E_WORK/server.log" "listening on .* port [0-9]+" 60 \
  || e2e_abort "OrvaneGCServer.exe did not start: $(cat "$E2E_WORK/server.log")"
PORT=$(grep -Eo "port [0-9]+" "$E2E_WORK/server.log" | head -1 | tr -dc 0-9)
e2e_log "server listens on port $PORT"
printf '[LAN]\r\nUSELAN=Y\r\nORVANEGCSERVER=127.0.0.1\r\nORVANEGCPORT=%s\r\n[WINDOW]\r\nX=%d\r\nY=%d\r\n' \
  "$PORT" "$WIN_X" "$WIN_Y" >"$E2E_RUN/OrvaneGCPfd.INI"

e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
e2e_log "display window $WID"
e2e_linux_panel "$DEMO_TIME" "$E2E_WORK/describe.txt" "$E2E_WORK/linux-panel.ppm"
e2e_probe_until 30 "$WID" "$E2E_WORK/describe.txt" "$EXPECT" || e2e_fail "the window does not show demo time $DEMO_TIME"
name=$(xdotool getwindowname "$WID")
[ "$name" = "$TITLE" ] || e2e_fail "title '$name', expected '$TITLE'"
e2e_expect_client_at "$WID" "$WIN_X" "$WIN_Y"
python3 "$E2E_LIB_DIR/pfd_probe.py" compare --windows "$E2E_WORK/window.ppm" --linux "$E2E_WORK/linux-panel.ppm" \
  || e2e_fail "the Windows picture differs from the Linux snapshot"
convert "$E2E_WORK/window.ppm" "$E2E_WORK/window.png" || true
kill -0 "$SERVER_PID" 2>/dev/null || e2e_fail "OrvaneGCServer.exe ended early: $(cat "$E2E_WORK/server.log")"

e2e_press_key "$WID" alt+F4
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 0 ] || e2e_fail "OrvaneGCPfd.exe ended with '$E2E_RC' after Alt+F4, expected 0: $(cat "$E2E_WORK/pfd.log")"
e2e_log "display ended with $E2E_RC"
