#!/usr/bin/env bash
# Windows end to end, closing: the close box and Alt+F4 end OrvaneGCPfd.exe with exit code 0 through the full teardown.
# The close box is pressed as a window manager does (WM_DELETE_WINDOW, which Wine turns into SC_CLOSE
# and WM_CLOSE); Wine's traces show the window's creation and each release step of the teardown.
source "$(dirname "$0")/e2e_lib.sh"

e2e_begin close
export WINEDEBUG=-all
e2e_start sim orvane-sim.exe --demo-time 135 --freeze
SIM_PID=$E2E_PID
e2e_wait_log "$E2E_WORK/sim.log" "serving class" 60 || e2e_abort "orvane-sim.exe did not start: $(cat "$E2E_WORK/sim.log")"
e2e_start server OrvaneGCServer.exe --bind 127.0.0.1 --port 0 --demo-time 135 --freeze
e2e_wait_log "$E2E_WORK/server.log" "listening on .* port [0-9]+" 60 \
  || e2e_abort "OrvaneGCServer.exe did not start: $(cat "$E2E_WORK/server.log")"
PORT=$(grep -Eo "port [0-9]+" "$E2E_WORK/server.log" | head -1 | tr -dc 0-9)

# close_run LABEL MODE HOW: starts the display in MODE (simulator|network), lets it draw, closes it
# by HOW (closebox|altf4) and checks the end.
close_run() {
  local label=$1 mode=$2 how=$3 title
  if [ "$mode" = network ]; then
    printf '[LAN]\r\nUSELAN=Y\r\nORVANEGCSERVER=127.0.0.1\r\nORVANEGCPORT=%s\r\n[WINDOW]\r\nX=60\r\nY=40\r\n' "$PORT" \
      >"$E2E_RUN/OrvaneGCPfd.INI"
    title='Orvane PFD Panel v1.0 - Freeware [NETWORK]'
  else
    printf '[LAN]\r\nUSELAN=N\r\n[WINDOW]\r\nX=60\r\nY=40\r\n' >"$E2E_RUN/OrvaneGCPfd.INI"
    title='Orvane PFD Panel v1.0 - Freeware [FSUIPC]'
  fi
  WINEDEBUG=-all,trace+msgbox,trace+wgl,trace+class,trace+win e2e_start "pfd-$label" OrvaneGCPfd.exe
  local pid=$E2E_PID log=$E2E_WORK/pfd-$label.log wid
  wid=$(e2e_wait_window '^Orvane PFD Panel' 60) || { e2e_fail "$label: no display window within 60 s"; return; }
  # Let it draw for a moment: the close must come through the running loop.
  sleep 2
  [ "$(xdotool getwindowname "$wid")" = "$title" ] || e2e_fail "$label: title '$(xdotool getwindowname "$wid")'"
  kill -0 "$pid" 2>/dev/null || { e2e_fail "$label: the display ended by itself"; return; }
  local begin=$(date +%s%N)
  case "$how" in
    closebox) python3 "$E2E_LIB_DIR/x_close.py" "$wid" >/dev/null ;;
    altf4) e2e_press_key "$wid" alt+F4 ;;
  esac
  e2e_wait_exit "$pid" 30
  local ms=$(( ($(date +%s%N) - begin) / 1000000 ))
  e2e_log "$label: exit code $E2E_RC, $ms ms after the close request"
  [ "$E2E_RC" = 0 ] || e2e_fail "$label: exit code '$E2E_RC', expected 0"
  e2e_wait_no_window '^Orvane PFD Panel' 10 || e2e_fail "$label: the window is still shown"
  ! grep -q "MSGBOX_OnInit" "$log" || e2e_fail "$label: a message box was shown: $(grep MSGBOX_OnInit "$log")"
  ! grep -qi "shutdown error" "$log" || e2e_fail "$label: teardown reported a failure: $(grep -i 'shutdown error' "$log")"

  # The window as created: class "OpenGl" with CS_HREDRAW|CS_VREDRAW|CS_OWNDC, extended style
  # WS_EX_APPWINDOW|WS_EX_WINDOWEDGE, style WS_SYSMENU (overlapped), at (60, 40), 337 x 350.
  local class
  class=$(grep -Eo 'NtUserRegisterClassExWOW name=.*->L"OpenGl" .* class=0x[0-9a-f]+' "$log" \
            | grep -Eo 'class=0x[0-9a-f]+' | head -1 | cut -d= -f2 || true)
  grep -q 'NtUserRegisterClassExWOW name=L"OpenGl" hinst=[0-9a-fx]* style=0x23 ' "$log" \
    || e2e_fail "$label: no window class \"OpenGl\" with style 0x23 in Wine's trace"
  grep -Fq "WIN_CreateWindowEx \"$title\" L\"OpenGl\" ex=00040100 style=00080000 60,40 337x350" "$log" \
    || e2e_fail "$label: the window was not created as expected: $(grep -F 'L"OpenGl" ex=' "$log" | head -1)"
  # The teardown, in order: no current context, context deleted, window destroyed, class unregistered.
  local l1 l2 l3 l4
  l1=$(grep -n 'glxdrv_wglMakeCurrent ((nil),(nil))' "$log" | tail -1 | cut -d: -f1 || true)
  l2=$(grep -n 'glxdrv_wglDeleteContext' "$log" | tail -1 | cut -d: -f1 || true)
  l3=$(grep -n 'NtUserDestroyWindow' "$log" | tail -1 | cut -d: -f1 || true)
  l4=$(grep -n "NtUserUnregisterClass ${class:-none}\$" "$log" | tail -1 | cut -d: -f1 || true)
  if [ -z "$l1" ] || [ -z "$l2" ] || [ -z "$l3" ] || [ -z "$l4" ] || [ "$l1" -ge "$l2" ] || [ "$l2" -ge "$l3" ] ||
     [ "$l3" -ge "$l4" ]; then
    e2e_fail "$label: teardown steps missing or out of order (lines: release '$l1', delete '$l2', destroy '$l3', unregister class ${class:-?} '$l4')"
  else
    e2e_log "$label: teardown seen in order: context released, deleted, window destroyed, class unregistered"
  fi
}

close_run simulator-closebox simulator closebox
close_run simulator-altf4 simulator altf4
close_run network-closebox network closebox

kill -0 "$SIM_PID" 2>/dev/null || e2e_fail "orvane-sim.exe ended: $(cat "$E2E_WORK/sim.log")"
[ "$(grep -c 'client block' "$E2E_WORK/sim.log")" -ge 2 ] || e2e_fail "orvane-sim.exe did not see both displays: $(cat "$E2E_WORK/sim.log")"
