#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset "fuzz") and runs each one for a bounded time; nonzero exit on a crash.
set -u

usage() {
  cat <<'EOF'
Usage: scripts/fuzz.sh [options] [SECONDS] [HARNESS...]

Builds the fuzz preset (clang, libFuzzer + ASan + UBSan) and runs every harness (or the ones
named, e.g. sim_ipc_fuzz) for SECONDS each (default 30), one after the other, starting from the
checked-in seeds in fuzz/corpus/<harness>/. Prints one summary line per harness and exits 1 when
any harness found a crash, a leak, a time-out or ran out of memory (the input is kept in
build/fuzz/artifacts/<harness>/ and its path printed).

Options:
  --no-build     run what is already built
  --rss MB       memory limit per harness (default 2048)
  --timeout S    limit for one input, seconds (default 10)
  --list         print the harness names and exit
  --coverage     instead of fuzzing: build with source coverage in build/fuzz-coverage, replay the
                 corpora (found inputs and seeds) and print the line coverage of the program's
                 files each harness reaches
  -h, --help     this text

New inputs the fuzzer finds go to build/fuzz/corpus/<harness>/ (not to the checked-in seeds).
Reproduce a crash: build/fuzz/fuzzers/<harness> <artifact file>
EOF
}

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/fuzz"
seconds=30
rss=2048
per_input=10
do_build=1
coverage=0
harnesses=()

while [ $# -gt 0 ]; do
  case "$1" in
    -h|--help) usage; exit 0 ;;
    --no-build) do_build=0 ;;
    --coverage) coverage=1 ;;
    --rss) shift; rss="${1:?--rss needs a number}" ;;
    --timeout) shift; per_input="${1:?--timeout needs a number}" ;;
    --list) ls "$root/fuzz"/*_fuzz.cpp | xargs -n1 basename | sed 's/\.cpp$//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    *)
      if [[ "$1" =~ ^[0-9]+$ ]]; then seconds="$1"; else harnesses+=("$1"); fi ;;
  esac
  shift
done

if [ ${#harnesses[@]} -eq 0 ]; then
  for f in "$root"/fuzz/*_fuzz.cpp; do harnesses+=("$(basename "$f" .cpp)"); done
fi
for h in "${harnesses[@]}"; do
  if [ ! -f "$root/fuzz/$h.cpp" ]; then
    echo "fuzz.sh: no harness named $h (fuzz/$h.cpp); see --list" >&2
    exit 2
  fi
done

mkdir -p "$root/build"
if [ "$coverage" = 1 ]; then
  cov_build="$root/build/fuzz-coverage"
  # The llvm tools that match clang (package "llvm", or the versioned names of clang 14's own).
  profdata="$(command -v llvm-profdata || command -v llvm-profdata-14)"
  llvmcov="$(command -v llvm-cov || command -v llvm-cov-14)"
  if [ -z "$profdata" ] || [ -z "$llvmcov" ]; then
    echo "fuzz.sh: --coverage needs llvm-profdata and llvm-cov (Debian: apt-get install -y llvm)" >&2
    exit 2
  fi
  echo "fuzz.sh: building the harnesses with source coverage in $cov_build"
  (cd "$root" && cmake --preset fuzz -B "$cov_build" -DORVANE_FUZZ_COVERAGE=ON >"$cov_build.configure.log" 2>&1) || {
    echo "fuzz.sh: configuring failed; see $cov_build.configure.log" >&2; exit 2; }
  (cd "$root" && cmake --build "$cov_build" --target "${harnesses[@]}" -j2) || {
    echo "fuzz.sh: build failed" >&2; exit 2; }
  status=0
  for h in "${harnesses[@]}"; do
    prof="$cov_build/profiles/$h"
    rm -rf "$prof" && mkdir -p "$prof"
    inputs=("$root/fuzz/corpus/$h")
    [ -d "$build/corpus/$h" ] && inputs=("$build/corpus/$h" "${inputs[@]}")
    if ! LLVM_PROFILE_FILE="$prof/%p.profraw" timeout 600 "$cov_build/fuzzers/$h" -runs=0 "${inputs[@]}" \
        >"$prof/replay.log" 2>&1; then
      echo "fuzz.sh: $h failed while replaying its corpus; see $prof/replay.log" >&2
      status=1
      continue
    fi
    "$profdata" merge -sparse "$prof"/*.profraw -o "$prof/merged.profdata" || { status=1; continue; }
    echo "== $h: line coverage of the program's files (inputs: ${inputs[*]})"
    "$llvmcov" report "$cov_build/fuzzers/$h" -instr-profile="$prof/merged.profdata" \
      -ignore-filename-regex='(^/usr/|/fuzz/)' |
      awk 'NF == 13 && $1 != "Filename" { printf "  %-28s lines %5s  missed %4s  %8s   branches %8s\n", $1, $8, $9, $10, $13 }'
  done
  exit $status
fi

if [ "$do_build" = 1 ]; then
  if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ is not installed (Debian: apt-get install -y clang)" >&2
    exit 2
  fi
  echo "fuzz.sh: building the fuzz preset in $build"
  (cd "$root" && cmake --preset fuzz >"$build.configure.log" 2>&1) || {
    echo "fuzz.sh: configuring failed; see $build.configure.log" >&2; exit 2; }
  (cd "$root" && cmake --build "$build" --target "${harnesses[@]}" -j2) || {
    echo "fuzz.sh: build failed" >&2; exit 2; }
fi

status=0
summary=()
for h in "${harnesses[@]}"; do
  exe="$build/fuzzers/$h"
  if [ ! -x "$exe" ]; then
    echo "fuzz.sh: $exe is not built" >&2
    exit 2
  fi
  work="$build/corpus/$h"
  artifacts="$build/artifacts/$h"
  log="$build/logs/$h.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  echo "fuzz.sh: running $h for ${seconds}s (log: $log)"
  # The outer limit only catches a fuzzer that hangs outside its own time limits.
  timeout --kill-after=10 $((seconds + per_input + 60)) "$exe" "$work" "$root/fuzz/corpus/$h" \
    -max_total_time="$seconds" -rss_limit_mb="$rss" -timeout="$per_input" \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
  rc=$?
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1)"
  runs="$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')"
  speed="$(grep -E '^stat::average_exec_per_sec' "$log" | awk '{print $2}')"
  cov="$(echo "$last" | grep -oE 'cov: [0-9]+' | awk '{print $2}')"
  ft="$(echo "$last" | grep -oE 'ft: [0-9]+' | awk '{print $2}')"
  corp="$(echo "$last" | grep -oE 'corp: [0-9]+' | awk '{print $2}')"
  if [ "$rc" -eq 0 ]; then
    verdict="ok"
  else
    status=1
    artifact="$(grep -oE "Test unit written to [^ ]+" "$log" | tail -n 1 | sed 's/Test unit written to //')"
    # The harness's own message first (a failed check, a misuse), then the sanitizer's verdict.
    kind="$(grep -m1 -E 'check failed|misuse|runtime error' "$log")"
    [ -z "$kind" ] && kind="$(grep -m1 -oE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer): [a-z -]+' "$log")"
    verdict="FAILED (exit $rc${kind:+: $kind}${artifact:+; input $artifact})"
  fi
  line="$(printf '%-20s %s  runs %s  exec/s %s  cov %s  ft %s  corpus %s' "$h" "$verdict" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}")"
  summary+=("$line")
  echo "$line"
done

echo "fuzz.sh: summary (${seconds}s per harness)"
for line in "${summary[@]}"; do echo "  $line"; done
exit $status
