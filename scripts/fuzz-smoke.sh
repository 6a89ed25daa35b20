#!/bin/sh
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer), replays every
# saved input under fuzz/corpus/, then fuzzes each target for a bounded time.
# The test run's "fuzz" stage calls it with the defaults (about a minute and a
# half in all); fuzz/README.md has the longer run.
#
#   scripts/fuzz-smoke.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 12); 0 only replays. TARGETs default to every
# renps_add_fuzzer in fuzz/CMakeLists.txt. Environment: BUILD_DIR (default
# build-fuzz), JOBS (default 2).
#
# The committed seeds under fuzz/corpus/<target>/ are read, never written:
# what the fuzzer finds goes to $BUILD_DIR/corpus/<target>/, crashes to
# $BUILD_DIR/crashes/<target>/. A crash input belongs in fuzz/corpus/<target>/
# as a regression seed once it is fixed.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-12}
[ $# -gt 0 ] && shift
build=${BUILD_DIR:-$root/build-fuzz}
jobs=${JOBS:-2}

# Optimised code with debug information: the sanitizers stay on, and the
# fuzzer runs several times faster than on an unoptimised build.
cmake --preset fuzz -S "$root" -B "$build" >/dev/null

if [ $# -eq 0 ]; then
  set -- $(sed -n 's/^ *renps_add_fuzzer(\([a-z_]*\).*/\1/p' "$root/fuzz/CMakeLists.txt")
fi
targets=""
for name in "$@"; do targets="$targets fuzz_${name#fuzz_}"; done
cmake --build "$build" -j "$jobs" --target $targets

# The plug-in keeps printer and user data in a state directory: give it an
# empty one, so a run neither depends on nor changes the user's.
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
export RENPS_STATE_DIR="$state"
# A leak or an undefined operation is a failure like a crash.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for target in $targets; do
  name=${target#fuzz_}
  mkdir -p "$build/corpus/$name" "$build/crashes/$name"
  log="$build/crashes/$name/log.txt"
  seeds="$root/fuzz/corpus/$name"

  # Every saved input once: the seeds and the regression cases of fixed crashes.
  if [ -d "$seeds" ] && [ -n "$(ls -A "$seeds")" ]; then
    count=$(find "$seeds" -type f | wc -l)
    if find "$seeds" -type f -print0 | xargs -0 "$build/fuzz/$target" -timeout=10 >"$log" 2>&1; then
      echo "== $target: $count saved inputs replayed"
    else
      status=1
      echo "== $target: FAILED on a saved input: see $log"
      continue
    fi
  else
    seeds=""
    echo "== $target: no saved inputs"
  fi

  [ "$seconds" -gt 0 ] || continue
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/crashes/$name/" "$build/corpus/$name" $seeds >"$log" 2>&1; then
    status=1
    echo "   FAILED after fuzzing: see $log and the input in $build/crashes/$name/"
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$log" | sed 's/^/   /' || true
done
exit $status
