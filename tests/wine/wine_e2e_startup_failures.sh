#!/usr/bin/env bash
# Windows end to end, start-up failures: no simulator, and network mode with nothing listening.
# The message boxes are found by caption, their texts read from Wine's message-box trace, and
# answered with Return as a user would; the program must then end with exit code 1, so a launcher
# script can tell that the panel did not start.
source "$(dirname "$0")/e2e_lib.sh"

# answer_box TEXT X Y SECONDS: waits for the "Error" box showing TEXT (as Wine's trace writes it),
# checks its top-left corner when X and Y are given (empty: not checked), and presses Return on it.
answer_box() {
  local text=$1 x=$2 y=$3 wid
  e2e_wait_log "$E2E_WORK/pfd.log" "msgbox:MSGBOX_OnInit L\"$(printf '%s' "$text" | sed 's/[][\.*^$!]/\\&/g')\"" "$4" \
    || { e2e_fail "no message box with the text '$text' within $4 s: $(cat "$E2E_WORK/pfd.log")"; return 1; }
  wid=$(e2e_wait_window '^Error$' 20) || { e2e_fail "the box '$text' has no window with the caption 'Error'"; return 1; }
  local gx gy gw gh
  read -r gx gy gw gh < <(e2e_geometry "$wid")
  e2e_log "box '$text': window $wid, client area ${gw}x${gh} at ($gx, $gy)"
  if [ -n "$x" ]; then
    # The dialog's frame: the same border and caption as the display window's (checked there).
    local left=$(( gx - FRAME_BORDER )) top=$(( gy - FRAME_TOP ))
    [ "$left" -eq "$x" ] && [ "$top" -eq "$y" ] \
      || e2e_fail "box '$text' at ($left, $top), expected at ($x, $y)"
  fi
  e2e_press_key "$wid" Return
  e2e_wait_window_gone "$wid" 20 || e2e_fail "the box '$text' did not close on Return"
}

e2e_begin startup-failures

# --- 1. Simulator mode without a simulator: two boxes in turn, then exit code 1. ---
WIN_X=100
WIN_Y=80
printf '[LAN]\r\nUSELAN=N\r\n[WINDOW]\r\nX=%d\r\nY=%d\r\n' "$WIN_X" "$WIN_Y" >"$E2E_RUN/OrvaneGCPfd.INI"
export WINEDEBUG=-all,trace+msgbox
e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
# The display window exists while the first box is up: it gives the frame sizes of this X server.
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
read -r gx gy gw gh < <(e2e_geometry "$WID")
FRAME_BORDER=$(( (337 - gw) / 2 ))
FRAME_TOP=$(( 350 - gh - FRAME_BORDER ))
e2e_log "display window at client ($gx, $gy) ${gw}x${gh}; title '$(xdotool getwindowname "$WID")'"
answer_box "FSUIPC connection failed." $(( WIN_X + 10 )) $(( WIN_Y + 10 )) 60
answer_box "initialization failed." "" "" 60
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 1 ] || e2e_fail "no simulator: OrvaneGCPfd.exe ended with '$E2E_RC', expected 1"
order=$(grep -o 'MSGBOX_OnInit L"[^"]*"' "$E2E_WORK/pfd.log" | tr '\n' '|' || true)
[ "$order" = 'MSGBOX_OnInit L"FSUIPC connection failed."|MSGBOX_OnInit L"initialization failed."|' ] \
  || e2e_fail "no simulator: boxes shown were '$order'"
e2e_wait_no_window '^Orvane PFD Panel' 10 || e2e_fail "no simulator: the display window is still there"
e2e_log "no simulator: exit code $E2E_RC"
mv "$E2E_WORK/pfd.log" "$E2E_WORK/pfd-no-simulator.log"

# --- 2. Network mode, nothing listening: "[NOT CONNECTED]" title and the "ERROR !!" box, then exit code 1. ---
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
WIN_X=-20
WIN_Y=50
printf '[LAN]\r\nUSELAN=Y\r\nORVANEGCSERVER=127.0.0.1\r\nORVANEGCPORT=%s\r\n[WINDOW]\r\nX=%d\r\nY=%d\r\n' \
  "$PORT" "$WIN_X" "$WIN_Y" >"$E2E_RUN/OrvaneGCPfd.INI"
e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
e2e_wait_log "$E2E_WORK/pfd.log" "MSGBOX_OnInit" 60 || e2e_fail "no box within 60 s"
name=$(xdotool getwindowname "$WID")
[ "$name" = 'Orvane PFD Panel v1.0 - Freeware [NOT CONNECTED]' ] || e2e_fail "title with the box up: '$name'"
e2e_log "nothing listening on port $PORT: title '$name'"
# X + 10 = -10 is below zero: the box keeps its default x; its y is WIN_Y + 10.
BOX='ERROR !!\r\n\r\nOrvane GC Server connection failed.'
wid=$(e2e_wait_window '^Error$' 20) || e2e_fail "no window with the caption 'Error'"
if [ -n "${wid:-}" ]; then
  read -r bx by bw bh < <(e2e_geometry "$wid")
  [ $(( by - FRAME_TOP )) -eq $(( WIN_Y + 10 )) ] || e2e_fail "the box's top is at $(( by - FRAME_TOP )), expected $(( WIN_Y + 10 ))"
  [ $(( bx - FRAME_BORDER )) -ge 0 ] || e2e_fail "the box's left is at $(( bx - FRAME_BORDER )): a negative x was applied"
fi
answer_box "$BOX" "" "" 5
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 1 ] || e2e_fail "nothing listening: OrvaneGCPfd.exe ended with '$E2E_RC', expected 1"
count=$(grep -c 'MSGBOX_OnInit' "$E2E_WORK/pfd.log" || true)
[ "$count" = 1 ] || e2e_fail "nothing listening: $count boxes, expected only the connection failure"
e2e_log "nothing listening: exit code $E2E_RC"
