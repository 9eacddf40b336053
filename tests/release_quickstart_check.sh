#!/usr/bin/env bash
# Checks an unpacked release folder for the one-PC X-Plane and FlightGear set-up: QUICKSTART.txt gives
# every settings and command line of the README's "One PC with X-Plane or FlightGear", and
# flightgear/orvane.xml is the repository's protocol file, byte for byte.
# Usage: tests/release_quickstart_check.sh UNPACKED-FOLDER; prints one line per fault, exits 1 on any.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
folder=${1:?usage: $0 UNPACKED-FOLDER}
failed=0
lines=$(sed -n '/^## One PC with X-Plane or FlightGear/,/^## [^O]/p' "$here/../README.md" | sed -n 's/^    \(.*[^ ]\) *$/\1/p')
[ -n "$lines" ] || { echo "FAIL: the README's 'One PC with X-Plane or FlightGear' has no settings lines"; exit 1; }
while IFS= read -r line; do
  grep -qF -- "$line" "$folder/QUICKSTART.txt" || { echo "FAIL: QUICKSTART.txt lacks the README's one-PC line '$line'"; failed=1; }
done <<<"$lines"
grep -qF "flightgear/orvane.xml" "$folder/QUICKSTART.txt" || { echo "FAIL: QUICKSTART.txt does not point to flightgear/orvane.xml"; failed=1; }
cmp -s "$folder/flightgear/orvane.xml" "$here/../dist/flightgear/orvane.xml" \
  || { echo "FAIL: flightgear/orvane.xml is missing or differs from dist/flightgear/orvane.xml"; failed=1; }
[ $failed = 0 ] && echo "QUICKSTART.txt gives the one-PC X-Plane and FlightGear set-up ($(echo "$lines" | wc -l) lines); flightgear/orvane.xml shipped"
exit $failed
