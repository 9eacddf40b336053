# Shared steps of the Windows end-to-end tests: own X display, own Wine prefix, run folder, bounded waits, cleanup.
# Sourced by the wine_e2e_*.sh scripts. Environment (set by tests/wine/CMakeLists.txt):
#   ORVANE_WIN_RUN_DIR   folder of the cross-built .exe files and the generated artwork
#   ORVANE_HOST_RUN_DIR  folder of the Linux build's programs (orvane-snapshot for the comparison)
#   ORVANE_E2E_DIR       where each test keeps its work folder (logs and pictures stay for the eye)
# With ORVANE_WINE_SHARED=1 (scripts/test-windows.sh) the test uses the suite's X display (DISPLAY),
# Wine prefix (WINEPREFIX) and the Wine server kept running for the whole suite: it starts no X
# server, makes no prefix and, at its end, stops only its own programs.
set -euo pipefail

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${ORVANE_WIN_RUN_DIR:?set ORVANE_WIN_RUN_DIR to the Windows build run folder}"
: "${ORVANE_E2E_DIR:?set ORVANE_E2E_DIR to a work folder}"
ORVANE_HOST_RUN_DIR=${ORVANE_HOST_RUN_DIR:-}

E2E_START_MS=$(( $(date +%s%N) / 1000000 ))
E2E_PIDS=()        # Windows programs started by this test
E2E_XVFB_PID=""
E2E_FAILED=0

e2e_log() { echo "[$(e2e_elapsed)s] $*"; }
e2e_elapsed() { echo "$(( $(date +%s%N) / 1000000 - E2E_START_MS ))" | awk '{printf "%.1f", $1 / 1000}'; }

# A failed check: say what and go on, so one run reports every difference; the test fails at the end.
e2e_fail() { echo "FAIL: $*"; E2E_FAILED=1; }
# A failed step that later steps depend on: stop the test here.
e2e_abort() { echo "FAIL: $*"; E2E_FAILED=1; exit 1; }

# e2e_begin NAME: a fresh work folder, the user's run folder (a copy of ORVANE_WIN_RUN_DIR, or that
# folder itself with E2E_RUN_IN_PLACE=1), an X display and a Wine prefix of its own (the suite's
# with ORVANE_WINE_SHARED=1).
e2e_begin() {
  E2E_NAME=$1
  E2E_START_MS=$(( $(date +%s%N) / 1000000 ))
  E2E_WORK=$ORVANE_E2E_DIR/$E2E_NAME
  rm -rf "$E2E_WORK"
  mkdir -p "$E2E_WORK"
  trap e2e_end EXIT
  trap 'exit 130' INT TERM
  local f
  for f in OrvaneGCPfd.exe orvane-sim.exe OrvaneGCServer.exe font.bmp plane2.ico; do
    [ -f "$ORVANE_WIN_RUN_DIR/$f" ] || e2e_abort "$ORVANE_WIN_RUN_DIR/$f is missing (build the windows programs first)"
  done
  if [ "${E2E_RUN_IN_PLACE:-0}" = 1 ]; then
    # The folder as a user has it (an unpacked release): the programs start right there.
    E2E_RUN=$ORVANE_WIN_RUN_DIR
  else
    E2E_RUN=$E2E_WORK/run
    mkdir -p "$E2E_RUN"
    for f in OrvaneGCPfd.exe orvane-sim.exe OrvaneGCServer.exe font.bmp plane2.ico; do
      cp "$ORVANE_WIN_RUN_DIR/$f" "$E2E_RUN/"
    done
    cp "$ORVANE_WIN_RUN_DIR"/*.txr "$E2E_RUN/"
  fi
  if e2e_shared; then
    [ -n "${DISPLAY:-}" ] || e2e_abort "ORVANE_WINE_SHARED=1 needs the suite's DISPLAY"
    [ -f "${WINEPREFIX:-}/system.reg" ] || e2e_abort "ORVANE_WINE_SHARED=1 needs the suite's WINEPREFIX (made by wineboot)"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
  else
    e2e_start_x
    e2e_prefix
  fi
  e2e_log "$E2E_NAME: work folder $E2E_WORK, DISPLAY=$DISPLAY, WINEPREFIX=$WINEPREFIX"
}

# True when the suite's X display, Wine prefix and Wine server are to be used.
e2e_shared() { [ "${ORVANE_WINE_SHARED:-0}" = 1 ]; }

# An Xvfb server on a free display number, so tests neither share windows nor depend on the caller's X.
e2e_start_x() {
  local numfile=$E2E_WORK/xvfb.display
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >"$E2E_WORK/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    if [ -s "$numfile" ]; then break; fi
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_abort "Xvfb did not start: $(cat "$E2E_WORK/xvfb.log")"
    sleep 0.1
  done
  [ -s "$numfile" ] || e2e_abort "Xvfb gave no display number within 10 s"
  export DISPLAY=:$(tr -dc 0-9 <"$numfile")
}

# The test's own Wine prefix, from a template made once by wineboot: a real copy of everything but
# system32 (Wine writes its registry files in place when they have several links), and hard links to
# the 600 MB of system32, which programs only read.
e2e_prefix() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local template=$ORVANE_E2E_DIR/prefix-template
  mkdir -p "$ORVANE_E2E_DIR"
  (
    flock -w 600 9 || { echo "FAIL: no lock on the Wine prefix template within 600 s"; exit 1; }
    if [ ! -f "$template/system.reg" ]; then
      rm -rf "$template"
      echo "creating the Wine prefix template $template (once)"
      WINEPREFIX=$template timeout 300 wineboot --init >"$ORVANE_E2E_DIR/wineboot.log" 2>&1 || true
      WINEPREFIX=$template timeout 60 wineserver -w || true
      [ -f "$template/system.reg" ] || { echo "FAIL: wineboot made no prefix:"; tail -20 "$ORVANE_E2E_DIR/wineboot.log"; exit 1; }
    fi
  ) 9>"$ORVANE_E2E_DIR/prefix-template.lock" || e2e_abort "no Wine prefix"
  export WINEPREFIX=$E2E_WORK/prefix
  mkdir -p "$WINEPREFIX"
  tar -C "$template" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$WINEPREFIX" -xf -
  cp -al "$template/drive_c/windows/system32" "$WINEPREFIX/drive_c/windows/system32"
}

# e2e_start NAME EXE [ARGS...]: starts a Windows program in the run folder; its output goes to NAME.log.
# Sets E2E_PID to the program's process id (Wine runs the program in the process it started as).
e2e_start() {
  local name=$1; shift
  (cd "$E2E_RUN" && exec wine "$@") >"$E2E_WORK/$name.log" 2>&1 &
  E2E_PID=$!
  E2E_PIDS+=("$E2E_PID")
  e2e_log "started $name: $* (pid $E2E_PID)"
}

# e2e_wait_exit PID SECONDS: waits for the program to end; sets E2E_RC to its exit code, or "timeout".
# (Not in a command substitution: only this shell can collect the exit code of its own child.)
e2e_wait_exit() {
  local pid=$1 deadline=$(( $(date +%s) + $2 ))
  E2E_RC=timeout
  while kill -0 "$pid" 2>/dev/null; do
    [ "$(date +%s)" -lt "$deadline" ] || return 0
    sleep 0.1
  done
  E2E_RC=0
  wait "$pid" || E2E_RC=$?
}

# e2e_wait_log FILE REGEX SECONDS: waits until a line of FILE matches; false on timeout.
e2e_wait_log() {
  local deadline=$(( $(date +%s) + $3 ))
  until grep -Eq -- "$2" "$1" 2>/dev/null; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# e2e_wait_window REGEX SECONDS: prints the id of the first visible top-level window whose title
# matches; false on timeout.
e2e_wait_window() {
  local deadline=$(( $(date +%s) + $2 )) ids
  while :; do
    ids=$(xdotool search --onlyvisible --name "$1" 2>/dev/null || true)
    if [ -n "$ids" ]; then echo "${ids%%$'\n'*}"; return 0; fi
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# e2e_wait_no_window REGEX SECONDS: true once no visible window's title matches.
e2e_wait_no_window() {
  local deadline=$(( $(date +%s) + $2 ))
  while [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null || true)" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# e2e_wait_window_gone WID SECONDS: true once that window is no longer shown.
e2e_wait_window_gone() {
  local deadline=$(( $(date +%s) + $2 ))
  while xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# e2e_geometry WID: prints "x y width height" of the window's X window (the Windows client area).
e2e_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

# e2e_press_key WID KEY: gives the window the keyboard focus and presses the key, as a user would.
e2e_press_key() {
  xdotool windowfocus --sync "$1" >/dev/null 2>&1 || xdotool windowfocus "$1" >/dev/null 2>&1 || true
  sleep 0.2
  xdotool key --clearmodifiers "$2"
}

# e2e_screenshot WID FILE.ppm: the window's client area as a binary PPM.
e2e_screenshot() { import -window "$1" -depth 8 "ppm:$2"; }

# e2e_linux_panel T DESCRIBE-FILE PANEL.ppm: the Linux build's rendering of demo time T with the same
# artwork, and its frame description.
e2e_linux_panel() {
  local snap=$ORVANE_HOST_RUN_DIR/orvane-snapshot
  [ -x "$snap" ] || e2e_abort "the Linux build's orvane-snapshot is not at '$snap' (build the linux preset first)"
  "$snap" --demo-time "$1" --assets "$ORVANE_WIN_RUN_DIR" --describe --out "$E2E_WORK/linux-panel.png" >"$2" \
    || e2e_abort "orvane-snapshot failed for demo time $1"
  convert "$E2E_WORK/linux-panel.png" -depth 8 "ppm:$3"
}

# e2e_probe_until SECONDS WID DESCRIBE EXPECT: screenshots the window until the probe passes (the first
# frames may still be coming); the last picture and report stay in the work folder.
e2e_probe_until() {
  local deadline=$(( $(date +%s) + $1 )) wid=$2 n=0
  while :; do
    n=$((n + 1))
    if e2e_screenshot "$wid" "$E2E_WORK/window.ppm" 2>"$E2E_WORK/import.log" &&
       python3 "$E2E_LIB_DIR/pfd_probe.py" probe --image "$E2E_WORK/window.ppm" --describe "$3" \
         --expect "$4" >"$E2E_WORK/probe.txt" 2>&1; then
      e2e_log "probe passed on screenshot $n"
      cat "$E2E_WORK/probe.txt"
      return 0
    fi
    if [ "$(date +%s)" -ge "$deadline" ]; then
      cat "$E2E_WORK/import.log" "$E2E_WORK/probe.txt" 2>/dev/null || true
      return 1
    fi
    sleep 0.5
  done
}

# e2e_expect_client_at WID X Y: the window (outer size 337 x 350) has its top-left corner at (X, Y):
# the client area sits inside it by the side border and the caption plus top border.
e2e_expect_client_at() {
  local gx gy gw gh
  read -r gx gy gw gh < <(e2e_geometry "$1")
  local border=$(( (337 - gw) / 2 ))
  local top=$(( 350 - gh - border ))
  e2e_log "client area ${gw}x${gh} at ($gx, $gy): frame border $border, caption + border $top"
  if [ "$(( gx - border ))" -ne "$2" ] || [ "$(( gy - top ))" -ne "$3" ]; then
    e2e_fail "window top-left at ($(( gx - border )), $(( gy - top ))), the settings file says ($2, $3)"
  fi
  if [ "$gw" -lt 320 ] || [ "$gw" -gt 337 ] || [ "$gh" -lt 300 ] || [ "$gh" -gt 350 ]; then
    e2e_fail "client area ${gw}x${gh} is not that of a 337 x 350 window"
  fi
}

# Ends every program of the test and its X server; keeps the logs and pictures.
e2e_end() {
  local rc=$?
  trap - EXIT
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  if e2e_shared; then
    # The suite's server stays up: only this test's programs go, each given 10 s to end.
    local deadline=$(( $(date +%s) + 10 ))
    for pid in "${E2E_PIDS[@]}"; do
      while kill -0 "$pid" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do sleep 0.1; done
    done
  elif [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    timeout 20 wineserver -w >/dev/null 2>&1 || true
  fi
  for pid in "${E2E_PIDS[@]}"; do
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
  fi
  if ! e2e_shared && [ -n "${WINEPREFIX:-}" ]; then rm -rf "$WINEPREFIX"; fi
  # A test's own last words (e.g. removing an unpacked archive).
  if declare -F e2e_on_end >/dev/null; then e2e_on_end || true; fi
  if [ "$rc" -eq 0 ] && [ "$E2E_FAILED" -ne 0 ]; then rc=1; fi
  e2e_log "${E2E_NAME:-test}: $([ "$rc" -eq 0 ] && echo PASSED || echo FAILED) (logs in ${E2E_WORK:-?})"
  exit "$rc"
}
