#!/bin/sh
# Times renps end to end on generated documents of growing length, so that a
# reader sees wall time grow with the job and memory stay flat.
#
#   scripts/bench.sh [PAGES...]        (default: 200 2000)
#
# Environment:
#   RENPS        the renps binary (default build/bin/renps)
#   JOB          the job file (default examples/letter.json)
#   RENPS_BENCH  the micro-benchmarks binary; run afterwards when it exists
#                (default build/bin/renps_bench; build it with
#                -DRENPS_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
renps=${RENPS:-$root/build/bin/renps}
job=${JOB:-$root/examples/letter.json}
bench=${RENPS_BENCH:-$root/build/bin/renps_bench}
[ $# -gt 0 ] || set -- 200 2000

if [ ! -x "$renps" ]; then
  echo "no renps at $renps: build it (cmake --build build --target renps) or set RENPS" >&2
  exit 1
fi
if [ ! -x /usr/bin/time ]; then
  echo "/usr/bin/time is missing (Debian package: time)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A DSC document of $1 pages, each with a few kilobytes of drawing.
document() {
  awk -v pages="$1" -v lines=100 -f "$root/bench/report.awk"
}

echo "renps print, job $(basename "$job"), $(nproc) cores"
printf '%8s %12s %12s %14s %14s\n' pages "input KB" "output KB" "wall s" "max RSS KB"
for pages in "$@"; do
  document "$pages" >"$work/doc.ps"
  /usr/bin/time -v -o "$work/time.txt" "$renps" print "$job" "$work/doc.ps" -o "$work/out.prn" \
    --state-dir "$work/state" >/dev/null
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
  # m:ss.cc or h:mm:ss to seconds
  seconds=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }')
  printf '%8d %12d %12d %14s %14s\n' "$pages" $(($(wc -c <"$work/doc.ps") / 1024)) \
    $(($(wc -c <"$work/out.prn") / 1024)) "$seconds" "$rss"
done

if [ -x "$bench" ]; then
  echo
  "$bench"
fi
