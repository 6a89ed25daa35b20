#!/bin/sh
# Times the booklet imposition of a generated 1000-page, 200 MB DSC document
# against a plain copy (cat, and dd's read/write copy) and against
# psbook | psnup -2, all in one run, and compares the imposition's peak
# memory with that of a 1 GB document. GNU cat copies inside the kernel
# (copy_file_range); dd copies through user space as the imposition must.
#
#   bench/booklet_bench.sh
#
# Environment:
#   BOOKLET_IMPOSE  the tool (default build/bin/booklet_impose; configure with
#                   -DRENPS_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release)
#   RENPS           renps for the whole booklet job (default: renps beside the
#                   tool; the row is left out when there is none)
#   BENCH_DIR       where the documents go (default: a new directory under TMPDIR);
#                   it needs about 4.5 GB
#   RUNS            timed runs per command, the best counts (default 5)
#
# Exits 1 when the imposition takes more than 2.5 times as long as cat, or
# peaks at 16 MiB or more, or needs more memory for the larger document; or
# when the whole booklet job through renps takes more than 3.5 times as long
# as cat, is not 1.5 times as fast as psbook | psnup -2, or peaks at 16 MiB.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
tool=${BOOKLET_IMPOSE:-$root/build/bin/booklet_impose}
renps=${RENPS:-$(dirname "$tool")/renps}
runs=${RUNS:-5}
if [ ! -x "$tool" ]; then
  echo "no booklet_impose at $tool: build it (cmake --build build --target booklet_impose) or set BOOKLET_IMPOSE" >&2
  exit 1
fi
for program in /usr/bin/time psbook psnup; do
  command -v "$program" >/dev/null || { echo "$program is missing" >&2; exit 1; }
done

work=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/booklet-bench-XXXXXX")}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# Best wall time (s) of "$1", with that run's CPU time (user + system, s)
# and peak resident memory (KiB). Outputs are removed and dirty pages written
# back before every run, so no run pays for the one before it.
best=""
cpu=""
peak=""
measure() {
  best=""
  cpu=""
  peak=""
  i=0
  while [ $i -lt "$runs" ]; do
    rm -f "$work"/out.*
    sync
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" sh -c "$1" >/dev/null 2>"$work/stderr" ||
      { cat "$work/stderr" >&2; exit 1; }
    read -r seconds user system kib <"$work/time"
    if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds
      cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
      peak=$kib
    fi
    i=$((i + 1))
  done
}

row() {
  printf '%-26s %6s s wall %6s s cpu %6.1f MiB%s\n' "$1" "$best" "$cpu" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$2"
}

status=0
impose_peak_small=""
for size in 200:1000 1000:5000; do
  megabytes=${size%%:*}
  pages=${size##*:}
  document="$work/doc-$megabytes.ps"
  "$tool" generate "$pages" 204800 "$document"
  cat "$document" >/dev/null  # in the page cache for every contender
  echo "document: $(du -m "$document" | cut -f1) MB, $pages pages"

  measure "cat '$document' > '$work/out.copy'"
  cat_seconds=$best
  row "cat DOC > COPY" ""

  measure "dd if='$document' of='$work/out.dd' bs=64k status=none"
  dd_seconds=$best
  row "dd bs=64k (read/write)" ""

  measure "'$tool' scan '$document'"
  row "imposition: first pass" ""

  measure "'$tool' impose '$document' '$work/out.booklet'"
  impose_seconds=$best
  impose_peak=$peak
  ratio=$(awk -v a="$impose_seconds" -v b="$cat_seconds" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  ratio_dd=$(awk -v a="$impose_seconds" -v b="$dd_seconds" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  row "booklet imposition" "   ${ratio}x cat, ${ratio_dd}x dd (wall)"

  # The whole job as a user runs it: renps plays the driver, the plug-in
  # captures the job, imposes it and sends the sheets to the printer stream.
  job_seconds=""
  if [ -x "$renps" ]; then
    measure "RENPS_STATE_DIR='$work/state' TMPDIR='$work' '$renps' print '$root/examples/booklet.json' '$document' -o '$work/out.prn'"
    job_seconds=$best
    job_peak=$peak
    ratio_job=$(awk -v a="$job_seconds" -v b="$cat_seconds" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    row "renps print (booklet job)" "   ${ratio_job}x cat (wall)"
    [ "$job_peak" -lt 16384 ] || { echo "  FAIL: the booklet job peaks at 16 MiB or more"; status=1; }
  fi

  if [ "$megabytes" = 200 ]; then
    measure "psbook '$document' 2>/dev/null | psnup -2 2>/dev/null > '$work/out.psnup'"
    psnup_seconds=$best
    row "psbook DOC | psnup -2" ""
    if [ -n "$job_seconds" ]; then
      speedup=$(awk -v a="$psnup_seconds" -v b="$job_seconds" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
      echo "  the booklet job is ${speedup}x as fast as psbook | psnup -2"
      awk -v r="$ratio_job" 'BEGIN { exit !(r > 3.5) }' && { echo "  FAIL: the booklet job takes more than 3.5x cat"; status=1; }
      awk -v r="$speedup" 'BEGIN { exit !(r < 1.5) }' && { echo "  FAIL: the booklet job is not 1.5x as fast as psbook | psnup"; status=1; }
    fi
    awk -v r="$ratio" 'BEGIN { exit !(r > 2.5) }' && { echo "  FAIL: imposition takes more than 2.5x cat"; status=1; }
    impose_peak_small=$impose_peak
  else
    awk -v a="$impose_peak" -v b="$impose_peak_small" 'BEGIN { exit !(a > b + 1024) }' &&
      { echo "  FAIL: peak memory grows with the document"; status=1; }
  fi
  [ "$impose_peak" -lt 16384 ] || { echo "  FAIL: imposition peaks at 16 MiB or more"; status=1; }
  rm -f "$document"
done
exit $status
