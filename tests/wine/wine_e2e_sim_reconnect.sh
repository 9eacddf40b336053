#!/usr/bin/env bash
# Windows end to end, [SIMULATOR] RECONNECT=Y: the panel started before the simulator waits for it
# ("[NOT CONNECTED]"), finds it ("[FSUIPC]"), loses it when orvane-sim.exe is killed and finds it
# again when it is started anew, each time within the 2 s retry period (plus Wine's own pace).
source "$(dirname "$0")/e2e_lib.sh"

NOT_CONNECTED='Orvane PFD Panel v1.0 - Freeware [NOT CONNECTED]'
CONNECTED='Orvane PFD Panel v1.0 - Freeware [FSUIPC]'

# wait_title WID TITLE SECONDS: true once the window's title reads TITLE.
wait_title() {
  local deadline=$(( $(date +%s) + $3 ))
  until [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

e2e_begin sim-reconnect
printf '[SIMULATOR]\r\nRECONNECT=Y\r\n' >"$E2E_RUN/OrvaneGCPfd.INI"

# 1. No simulator yet: no message box, the window opens and says so.
e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
wait_title "$WID" "$NOT_CONNECTED" 20 || e2e_fail "without a simulator the title is '$(xdotool getwindowname "$WID")'"
e2e_log "without a simulator: '$(xdotool getwindowname "$WID")'"

# 2. The simulator starts: found within the retry period.
e2e_start sim orvane-sim.exe --demo-time 264 --freeze
SIM_PID=$E2E_PID
e2e_wait_log "$E2E_WORK/sim.log" "serving class" 60 || e2e_abort "orvane-sim.exe did not start: $(cat "$E2E_WORK/sim.log")"
wait_title "$WID" "$CONNECTED" 20 || e2e_fail "the started simulator was not found: '$(xdotool getwindowname "$WID")'"
e2e_log "simulator started: '$(xdotool getwindowname "$WID")'"

# 3. Killed: the link is closed and the title says so.
kill -9 "$SIM_PID" 2>/dev/null || true
wait "$SIM_PID" 2>/dev/null || true
wait_title "$WID" "$NOT_CONNECTED" 60 || e2e_fail "the killed simulator still shows: '$(xdotool getwindowname "$WID")'"
e2e_log "simulator killed: '$(xdotool getwindowname "$WID")'"

# 4. Started again: found again.
e2e_start sim2 orvane-sim.exe --demo-time 264 --freeze
e2e_wait_log "$E2E_WORK/sim2.log" "serving class" 60 || e2e_abort "orvane-sim.exe did not start again: $(cat "$E2E_WORK/sim2.log")"
wait_title "$WID" "$CONNECTED" 30 || e2e_fail "the restarted simulator was not found: '$(xdotool getwindowname "$WID")'"
e2e_log "simulator restarted: '$(xdotool getwindowname "$WID")'"
grep -q "FSUIPC connection failed" "$E2E_WORK/pfd.log" && e2e_fail "a start-up failure box was shown"

e2e_press_key "$WID" alt+F4
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 0 ] || e2e_fail "OrvaneGCPfd.exe ended with '$E2E_RC' after Alt+F4, expected 0: $(cat "$E2E_WORK/pfd.log")"
e2e_log "display ended with $E2E_RC"
