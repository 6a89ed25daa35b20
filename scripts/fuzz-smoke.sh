#!/bin/sh
# Builds the fuzz targets with clang and runs each one for a bounded time.
# For people to run by hand; CI does not fuzz.
#
#   scripts/fuzz-smoke.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); TARGETs default to every fuzz_* built.
# Environment: BUILD_DIR (default build-fuzz), JOBS (default 2).
#
# The committed seeds under fuzz/corpus/<target>/ are read, never written:
# what the fuzzer finds goes to $BUILD_DIR/corpus/<target>/, crashes to
# $BUILD_DIR/crashes/<target>/. A crash input worth keeping belongs in
# fuzz/corpus/<target>/ as a regression seed once it is fixed.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
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

status=0
for target in $targets; do
  name=${target#fuzz_}
  mkdir -p "$build/corpus/$name" "$build/crashes/$name"
  seeds="$root/fuzz/corpus/$name"
  [ -d "$seeds" ] || seeds=""
  echo "== $target: $seconds s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/crashes/$name/" "$build/corpus/$name" $seeds \
      >"$build/crashes/$name/log.txt" 2>&1; then
    status=1
    echo "   FAILED: see $build/crashes/$name/log.txt"
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$build/crashes/$name/log.txt" | sed 's/^/   /' || true
done
exit $status
