#!/usr/bin/env bash
# Checks the Windows release archive as a user gets it: unzip into an empty folder, run the programs there under Wine.
# Usage: tests/release_check_windows.sh ARCHIVE.zip HOST-RUN-DIR
# HOST-RUN-DIR is the Linux build's run folder (its orvane-snapshot describes the expected frame).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
archive=$(realpath "${1:?usage: $0 ARCHIVE.zip HOST-RUN-DIR}")
host_run=$(realpath "${2:?usage: $0 ARCHIVE.zip HOST-RUN-DIR}")
version=1.0.0
top=OrvaneGCPfd-$version-win64
# DLLs every Windows has; anything else (libstdc++-6.dll, libwinpthread-1.dll, ...) would be missing.
windows_dlls="KERNEL32.dll,USER32.dll,GDI32.dll,OPENGL32.dll,GLU32.dll,WS2_32.dll,MSWSOCK.dll,msvcrt.dll,ADVAPI32.dll"

unpack=$(mktemp -d /tmp/orvane-release-win.XXXXXX)
python3 -m zipfile -e "$archive" "$unpack"

export ORVANE_WIN_RUN_DIR=$unpack/$top
export ORVANE_HOST_RUN_DIR=$host_run
export ORVANE_E2E_DIR=${ORVANE_E2E_DIR:-$(dirname "$archive")/release-check-wine}
export E2E_RUN_IN_PLACE=1
source "$here/wine/e2e_lib.sh"
e2e_on_end() { rm -rf "$unpack"; }
trap e2e_end EXIT
[ "$(ls -A "$unpack")" = "$top" ] || e2e_abort "the archive's top level is '$(ls -A "$unpack" | tr '\n' ' ')', expected $top"

expected="ILS.txr ILSH_ind.txr ILS_H.txr ILS_ind.txr OrvaneGCPfd.exe OrvaneGCPfd.INI OrvaneGCServer.exe QUICKSTART.txt
SPD.txr fdH.txr fdH_mask.txr fdV.txr fdV_mask.txr font.bmp no_ILS.txr orvane-sim.exe pfd_2.txr plane2.ico
roll_needle.txr static_ind.txr static_mask.txr window.txr window_mask.txr
alt_box.txr alt_box_mask.txr bug.txr bug_mask.txr hdg_box.txr hdg_box_mask.txr hdg_card.txr spd_box.txr
spd_box_mask.txr trend_head.txr trend_head_mask.txr vs_needle.txr flightgear flightgear/orvane.xml"
got=$(cd "$ORVANE_WIN_RUN_DIR" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
want=$(echo $expected | tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ')
[ "$got" = "$want" ] || e2e_fail "archive contents: got '$got', expected '$want'"
grep -q $'\r$' "$ORVANE_WIN_RUN_DIR/OrvaneGCPfd.INI" || e2e_fail "OrvaneGCPfd.INI has no Windows line endings"
grep -q "Orvane PFD Panel $version" "$ORVANE_WIN_RUN_DIR/QUICKSTART.txt" || e2e_fail "QUICKSTART.txt does not name $version"
"$here/release_quickstart_check.sh" "$ORVANE_WIN_RUN_DIR" || e2e_fail "the one-PC set-up is not all in the archive"

for exe in OrvaneGCPfd.exe orvane-sim.exe OrvaneGCServer.exe; do
  python3 "$here/release_pe_check.py" --allow-dlls "$windows_dlls" "$ORVANE_WIN_RUN_DIR/$exe" \
    || e2e_fail "$exe needs more than the DLLs of Windows"
done
python3 "$here/release_pe_check.py" --need-icon --need-version "$version" "$ORVANE_WIN_RUN_DIR/OrvaneGCPfd.exe" \
  || e2e_fail "OrvaneGCPfd.exe lacks its icon or version resource"

# Under Wine, from the unpacked folder, with the shipped settings file unchanged (simulator mode).
e2e_begin release-windows
for p in orvane-sim OrvaneGCServer; do
  out=$(cd "$E2E_RUN" && timeout 60 wine "$p.exe" --version 2>&1 | tr -d '\r') || e2e_fail "$p.exe --version failed: $out"
  [ "$out" = "$p $version" ] || e2e_fail "$p.exe --version says '$out', expected '$p $version'"
done
e2e_log "--version: orvane-sim.exe and OrvaneGCServer.exe say $version"

e2e_start sim orvane-sim.exe --demo-time 264 --freeze
e2e_wait_log "$E2E_WORK/sim.log" "serving class" 60 || e2e_abort "orvane-sim.exe did not start: $(cat "$E2E_WORK/sim.log")"
e2e_start pfd OrvaneGCPfd.exe
PFD_PID=$E2E_PID
WID=$(e2e_wait_window '^Orvane PFD Panel' 60) || e2e_abort "no display window within 60 s: $(cat "$E2E_WORK/pfd.log")"
[ "$(xdotool getwindowname "$WID")" = 'Orvane PFD Panel v1.0 - Freeware [FSUIPC]' ] \
  || e2e_fail "title '$(xdotool getwindowname "$WID")'"
e2e_expect_client_at "$WID" 0 0
e2e_linux_panel 264 "$E2E_WORK/describe.txt" "$E2E_WORK/linux-panel.ppm"
e2e_probe_until 30 "$WID" "$E2E_WORK/describe.txt" "AP ENG:green,LOC:green,GS:green,M:amber,260:blue,RA:white" \
  || e2e_fail "the window does not show demo time 264"
python3 "$E2E_LIB_DIR/pfd_probe.py" compare --windows "$E2E_WORK/window.ppm" --linux "$E2E_WORK/linux-panel.ppm" \
  || e2e_fail "the Windows picture differs from the Linux snapshot"
python3 "$E2E_LIB_DIR/x_close.py" "$WID" >/dev/null
e2e_wait_exit "$PFD_PID" 30
[ "$E2E_RC" = 0 ] || e2e_fail "OrvaneGCPfd.exe ended with '$E2E_RC' after the close box, expected 0"
e2e_log "Windows release check done"
