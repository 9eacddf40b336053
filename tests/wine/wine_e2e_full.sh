#!/usr/bin/env bash
# Windows end to end, the full layout: OrvaneGCPfd.exe with [PFD] LAYOUT=FULL against orvane-sim.exe
# frozen on the final approach. Checks the window's size (the full panel's 460 x 424) and compares
# the picture with the Linux snapshot of the same flight state in the same layout.
source "$(dirname "$0")/e2e_lib.sh"

DEMO_TIME=264
TITLE='Orvane PFD Panel v1.0 - Freeware [FSUIPC]'

e2e_begin full
printf '[LAN]\r\nUSELAN=N\r\n[WINDOW]\r\nX=20\r\nY=20\r\n[PFD]\r\nLAYOUT=FULL\r\n' >"$E2E_RUN/OrvaneGCPfd.INI"

e2e_start sim orvane-sim.exe --demo-time "$DEMO_TIME" --freeze
e2e_wait_log "$E2E_WORK/sim.log" "serving class" 60 || e2e_abort "orvane-sim.exe did not start: $(cat "$E2E_WORK/sim.log")"

e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
name=$(xdotool getwindowname "$WID")
[ "$name" = "$TITLE" ] || e2e_fail "title '$name', expected '$TITLE'"
read -r _ _ gw gh < <(e2e_geometry "$WID")
[ "$gw" = 460 ] && [ "$gh" = 424 ] || e2e_fail "client area ${gw}x${gh}, expected the full panel's 460x424"

snap=$ORVANE_HOST_RUN_DIR/orvane-snapshot
[ -x "$snap" ] || e2e_abort "the Linux build's orvane-snapshot is not at '$snap' (build the linux preset first)"
"$snap" --demo-time "$DEMO_TIME" --layout full --assets "$ORVANE_WIN_RUN_DIR" --out "$E2E_WORK/linux-panel.png" \
  >/dev/null 2>&1 || e2e_abort "orvane-snapshot --layout full failed for demo time $DEMO_TIME"
convert "$E2E_WORK/linux-panel.png" -depth 8 "ppm:$E2E_WORK/linux-panel.ppm"

# The first frames may still be coming: screenshots until the picture matches, for 30 s at most.
deadline=$(( $(date +%s) + 30 ))
until e2e_screenshot "$WID" "$E2E_WORK/window.ppm" 2>/dev/null &&
      python3 "$E2E_LIB_DIR/pfd_probe.py" compare --windows "$E2E_WORK/window.ppm" \
        --linux "$E2E_WORK/linux-panel.ppm" >"$E2E_WORK/compare.txt" 2>&1; do
  if [ "$(date +%s)" -ge "$deadline" ]; then
    cat "$E2E_WORK/compare.txt"
    e2e_fail "the Windows full layout differs from the Linux snapshot"
    break
  fi
  sleep 0.5
done
cat "$E2E_WORK/compare.txt"
convert "$E2E_WORK/window.ppm" "$E2E_WORK/window.png" || true

e2e_press_key "$WID" alt+F4
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 0 ] || e2e_fail "OrvaneGCPfd.exe ended with '$E2E_RC' after Alt+F4, expected 0: $(cat "$E2E_WORK/pfd.log")"
