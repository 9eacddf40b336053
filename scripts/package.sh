#!/usr/bin/env bash
# Builds the two release archives into out/ (Windows ZIP from build/windows, Linux TGZ from build/linux) and checks them.
# Usage: scripts/package.sh [--no-check]
# Needs both presets built first (scripts/build.sh linux && scripts/build.sh windows); CPack builds
# whatever is out of date. The checks unpack each archive into an empty folder and run the programs
# from there: Linux headless, Windows under Wine with its own Xvfb display.
# Environment: ORVANE_LINUX_BUILD, ORVANE_WINDOWS_BUILD (build folders), ORVANE_OUT (default out).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
check=1
case "${1:-}" in
  "") ;;
  --no-check) check=0 ;;
  -h|--help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "package: unknown option '$1' (see --help)" >&2; exit 2 ;;
esac
linux=$(realpath -m "${ORVANE_LINUX_BUILD:-build/linux}")
windows=$(realpath -m "${ORVANE_WINDOWS_BUILD:-build/windows}")
out=$(realpath -m "${ORVANE_OUT:-out}")
version=$(sed -n 's/^project(OrvanePfd VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
linux_archive=OrvaneGCPfd-$version-linux-x86_64.tar.gz
windows_archive=OrvaneGCPfd-$version-win64.zip
begin=$(date +%s)
step() { echo "=== package [$(( $(date +%s) - begin ))s] $*"; }

for dir in "$linux" "$windows"; do
  [ -f "$dir/CMakeCache.txt" ] || { echo "package: $dir is not configured; run scripts/build.sh linux and scripts/build.sh windows first" >&2; exit 1; }
done
mkdir -p "$out"

# Configure again so the packaging rules are current, then let CPack install and archive.
step "Linux archive from $linux"
cmake "$linux" >/dev/null
(cd "$linux" && cpack -G TGZ >"$linux/cpack.log" 2>&1) || { tail -20 "$linux/cpack.log"; exit 1; }
cp "$linux/package/$linux_archive" "$out/"

step "Windows archive from $windows"
cmake "$windows" >/dev/null
(cd "$windows" && cpack -G ZIP >"$windows/cpack.log" 2>&1) || { tail -20 "$windows/cpack.log"; exit 1; }
cp "$windows/package/$windows_archive" "$out/"

for a in "$linux_archive" "$windows_archive"; do
  echo "package: $out/$a ($(stat -c %s "$out/$a") bytes)"
done

if [ "$check" = 1 ]; then
  step "check the Linux archive (unpacked, headless run)"
  tests/release_check_linux.sh "$out/$linux_archive" "$linux/run/orvane-snapshot"
  step "check the Windows archive (unpacked, under Wine + Xvfb)"
  ORVANE_E2E_DIR=$windows/wine-e2e tests/release_check_windows.sh "$out/$windows_archive" "$linux/run"
fi
step "done"
