#!/usr/bin/env bash
# Benchmarks: builds them (Release, own build folder), runs all six and prints one table of figure, floor, ratio and goal.
#
#   scripts/bench.sh                 build and run everything (about three minutes)
#   scripts/bench.sh draw_frame      only the named benchmark programs (ipc_batch network_frame
#                                    draw_frame server startup latency)
#   BENCH_BUILD_DIR=<dir>            build folder (default build-bench)
#   BENCH_ARGS="..."                 extra Google Benchmark flags for every program
#
# Logs and the table (results.tsv, table.txt) land in out/bench/. Each program measures its figure
# and the floor it is compared with in the same run, with interleaved repetitions; see
# docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BENCH_BUILD_DIR:-$root/build-bench}
out=$root/out/bench
all=(ipc_batch network_frame draw_frame server startup latency)
if [ "$#" -gt 0 ]; then chosen=("$@"); else chosen=("${all[@]}"); fi
for b in "${chosen[@]}"; do
  case " ${all[*]} " in *" $b "*) ;; *) echo "bench: unknown benchmark '$b' (known: ${all[*]})" >&2; exit 2 ;; esac
done

if [ "$(id -u)" = 0 ]; then scripts/install-deps.sh linux >/dev/null; fi
start=$(date +%s)
echo "bench: building (Release) in $build"
mkdir -p "$out"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_BENCH=ON >"$out/cmake.log" 2>&1 ||
  { cat "$out/cmake.log"; exit 1; }
targets=(orvane-sim OrvaneGCPfd OrvaneGCServer orvane-assetgen-run)
for b in "${chosen[@]}"; do targets+=("${b}_bench"); done
cmake --build "$build" -j2 --target "${targets[@]}" >"$out/build.log" 2>&1 || { tail -30 "$out/build.log"; exit 1; }

# The machine and how busy it is: other work on it moves the figures (docs/performance.md).
machine="$(nproc) CPUs ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')), $(free -g | awk '/^Mem:/{print $2}') GiB"
echo "bench: machine: $machine; load average at start: $(cut -d' ' -f1-3 /proc/loadavg)" | tee "$out/machine.txt"

results=$out/results.tsv
: >"$results"
failed=0
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export ORVANE_NO_DIALOGS=1
for b in "${chosen[@]}"; do
  echo "bench: running ${b}_bench ($(( $(date +%s) - start )) s)"
  # Each program bounds its own waits; the time-out only catches a program that hangs regardless.
  # shellcheck disable=SC2086
  limit=120
  [ "$b" = latency ] && limit=360  # eight cases of 15 s, each with its programs' start and end
  if ! timeout --kill-after=10 "$limit" "$build/bench/${b}_bench" ${BENCH_ARGS:-} >"$out/$b.log" 2>&1; then
    echo "bench: ${b}_bench failed; the end of its log:" >&2
    tail -15 "$out/$b.log" >&2
    failed=1
  fi
  grep '^RESULT' "$out/$b.log" | cut -f2- >>"$results" || true
done

{
  printf 'benchmark\tmeasured\tfloor\tratio\tgoal\tmet?\n'
  cat "$results"
} | column -t -s $'\t' | tee "$out/table.txt"
echo "bench: load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$out/machine.txt"
echo "bench: done in $(( $(date +%s) - start )) s; logs in $out"
exit "$failed"
