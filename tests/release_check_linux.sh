#!/usr/bin/env bash
# Checks the Linux release archive as a user gets it: unpack into an empty folder, run the programs from there.
# Usage: tests/release_check_linux.sh ARCHIVE.tar.gz [ORVANE-SNAPSHOT]
# The optional orvane-snapshot (from the build, not shipped) gives the frame description the
# snapshot is probed against; without it only the attitude is probed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
archive=$(realpath "${1:?usage: $0 ARCHIVE.tar.gz [ORVANE-SNAPSHOT]}")
snapshot_tool=${2:+$(realpath "$2")}
version=1.0.0
top=OrvaneGCPfd-$version-linux-x86_64
start=$(date +%s%N)
failed=0
fail() { echo "FAIL: $*"; failed=1; }
log() { echo "[$(( ($(date +%s%N) - start) / 1000000 )) ms] $*"; }

work=$(mktemp -d /tmp/orvane-release-linux.XXXXXX)
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# One top folder holding exactly the user's files.
tar -xzf "$archive" -C "$work"
[ "$(ls -A "$work")" = "$top" ] || { fail "the archive's top level is '$(ls -A "$work" | tr '\n' ' ')', expected $top"; exit 1; }
expected="ILS.txr ILSH_ind.txr ILS_H.txr ILS_ind.txr OrvaneGCPfd OrvaneGCPfd.INI OrvaneGCServer QUICKSTART.txt SPD.txr
fdH.txr fdH_mask.txr fdV.txr fdV_mask.txr font.bmp no_ILS.txr orvane-sim pfd_2.txr plane2.ico roll_needle.txr
static_ind.txr static_mask.txr window.txr window_mask.txr
alt_box.txr alt_box_mask.txr bug.txr bug_mask.txr hdg_box.txr hdg_box_mask.txr hdg_card.txr spd_box.txr
spd_box_mask.txr trend_head.txr trend_head_mask.txr vs_needle.txr flightgear flightgear/orvane.xml"
got=$(cd "$work/$top" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
want=$(echo $expected | tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ')
[ "$got" = "$want" ] || fail "archive contents: got '$got', expected '$want'"
grep -q "Orvane PFD Panel $version" "$work/$top/QUICKSTART.txt" || fail "QUICKSTART.txt does not name version $version"
! grep -q $'\r' "$work/$top/OrvaneGCPfd.INI" || fail "the Linux OrvaneGCPfd.INI has Windows line endings"
"$here/release_quickstart_check.sh" "$work/$top" || fail "the one-PC set-up is not all in the archive"
log "unpacked: $(echo "$got" | wc -w) files in $top"

cd "$work/$top"
for p in orvane-sim OrvaneGCServer; do
  out=$(timeout 10 "./$p" --version 2>&1) || fail "$p --version failed: $out"
  [ "$out" = "$p $version" ] || fail "$p --version says '$out', expected '$p $version'"
done
log "--version: orvane-sim and OrvaneGCServer say $version"

# The shipped settings file as it is: simulator mode. The simulator stand-in in its own IPC namespace.
export ORVANE_IPC_NAMESPACE=release-check-$$
./orvane-sim --demo-time 264 --freeze --duration 120 >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -q "serving class" "$work/sim.log" && break; sleep 0.1; done
grep -q "serving class" "$work/sim.log" || { fail "orvane-sim did not start: $(cat "$work/sim.log")"; exit 1; }

mkdir "$work/snapshots"
rc=0
SDL_VIDEODRIVER=offscreen ORVANE_NO_DIALOGS=1 ORVANE_SNAPSHOT_DIR="$work/snapshots" ORVANE_SNAPSHOT_EVERY_MS=500 \
  ORVANE_RUN_SECONDS=3 timeout 60 ./OrvaneGCPfd >"$work/pfd.log" 2>&1 || rc=$?
[ "$rc" = 0 ] || fail "OrvaneGCPfd ended with $rc: $(cat "$work/pfd.log")"
png=$(ls "$work"/snapshots/*.png 2>/dev/null | tail -1 || true)
if [ -z "$png" ]; then
  fail "OrvaneGCPfd wrote no snapshot: $(cat "$work/pfd.log")"
else
  log "display ran 3 s headless and wrote $(ls "$work"/snapshots/*.png | wc -l) snapshots"
  convert "$png" -depth 8 "ppm:$work/snap.ppm"
  if [ -n "$snapshot_tool" ]; then
    "$snapshot_tool" --demo-time 264 --describe >"$work/describe.txt"
    python3 "$here/wine/pfd_probe.py" probe --image "$work/snap.ppm" --describe "$work/describe.txt" \
      --expect "AP ENG:green,LOC:green,GS:green,M:amber,260:blue,RA:white" || fail "the snapshot does not show demo time 264"
  else
    # Attitude only: pitch 0.12 and bank -1.89 degrees at demo time 264 (docs/demo-flight.md).
    printf 'pitchOffset=0 bank=0 ils=4 gs=0 loc=0 failed=0\n' >"$work/describe.txt"
    python3 "$here/wine/pfd_probe.py" probe --image "$work/snap.ppm" --describe "$work/describe.txt" \
      --pitch 0.12 --bank -1.89 || fail "the snapshot does not show the attitude of demo time 264"
  fi
fi
kill "$sim_pid" 2>/dev/null || true
wait "$sim_pid" 2>/dev/null || true
sim_pid=""
grep -Eq "client (block|connected)" "$work/sim.log" || fail "orvane-sim saw no client: $(cat "$work/sim.log")"

log "Linux release check: $([ $failed = 0 ] && echo PASSED || echo FAILED)"
exit $failed
