#!/usr/bin/env bash
# How fast renps passes a big document through, side by side with cat,
# psutils, and a plain read/write copy (dd) on the same generated documents in
# one run, and how much memory it takes. Not a test: the figures go into
# bench/README.md. (GNU cat copies a file into a file with copy_file_range,
# inside the kernel; dd shows what any program that reads the bytes pays.)
#
#   bash bench/host-speed.sh [SIZE_MB ...]      (default: 50 200 1024)
#
# Each document is a DSC document of 200 kB pages (a 200 MB one has 1000
# pages), written to a temporary directory and read once before the runs so
# every program finds it in the page cache. Each program runs RUNS times
# (default 3); the table shows the best wall time, the CPU time of that run
# (user + system: on a busy machine wall time waits for other processes) and
# the largest peak resident set size of all runs, from /usr/bin/time -v.
#
# Environment:
#   RENPS      the renps to measure (default: a Release build at -O2 made in
#              build-bench/, without the tests)
#   JOB        the job file (default examples/letter.json: pass-through)
#   RUNS       runs per program and document (default 3)
#   TMPDIR     where the documents go (they need about 2.5 times their size)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
job=${JOB:-$root/examples/letter.json}
runs=${RUNS:-3}
[[ $# -gt 0 ]] || set -- 50 200 1024

if [[ ! -x /usr/bin/time ]]; then
  echo "host-speed: /usr/bin/time is missing (Debian package: time)" >&2
  exit 1
fi
if [[ -z ${RENPS:-} ]]; then
  echo "host-speed: building renps (Release, -O2) in build-bench/" >&2
  cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DRENPS_BUILD_TESTS=OFF >&2
  cmake --build "$root/build-bench" -j2 --target renps >&2
  RENPS=$root/build-bench/bin/renps
fi
psutils=yes
command -v psbook >/dev/null && command -v psnup >/dev/null || psutils=

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The printer's state persists between runs, as a real printer's does.
state=$work/state

# A report-like DSC document of $1 pages of about 200 kB each.
document() {
  awk -v pages="$1" -v lines=15500 -f "$root/bench/report.awk"
}

# measure NAME COMMAND...: sets best (s), cpu (s) and rss (MiB) for NAME.
measure() {
  local name=$1 i start end user sys peak seconds
  shift
  best= cpu= rss=0
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/out"
    # Wall time to the millisecond (time -v gives hundredths).
    start=$EPOCHREALTIME
    /usr/bin/time -v -o "$work/time.txt" "$@"
    end=$EPOCHREALTIME
    user=$(sed -n 's/.*User time (seconds): //p' "$work/time.txt")
    sys=$(sed -n 's/.*System time (seconds): //p' "$work/time.txt")
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    if [[ -z $best ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds
      cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    fi
    rss=$(awk -v a="$rss" -v k="$peak" 'BEGIN { m = k / 1024; printf "%.1f", (m > a ? m : a) }')
  done
  rm -f "$work/out"
  printf -v "${name}_best" '%s' "$best"
  printf -v "${name}_cpu" '%s' "$cpu"
  printf -v "${name}_rss" '%s' "$rss"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

# The printer's data is stored once, before the first measured run.
printf '%%!PS-Adobe-3.0\n%%%%Page: 1 1\nshowpage\n%%%%EOF\n' >"$work/tiny.ps"
"$RENPS" print "$job" "$work/tiny.ps" -o "$work/out" --state-dir "$state"

echo "renps print with $(basename "$job") against cat, dd and psbook | psnup -2; best wall time of $runs runs"
echo "machine: $(nproc) cores, $(uname -sr); renps: $RENPS; documents in $(df -P "$work" | awk 'NR == 2 { print $1 }')"
printf '%-8s %6s | %-22s | %-22s | %-30s | %-30s\n' "size" "pages" "cat" "dd bs=128k" "renps print" \
  "psbook | psnup -2"
printf '%-8s %6s | %-22s | %-22s | %-30s | %-30s\n' "" "" "wall s  cpu s  RSS MiB" "wall s  cpu s  RSS MiB" \
  "wall s  cpu s  RSS MiB  x cat" "wall s  cpu s  RSS MiB  x cat"
for size in "$@"; do
  pages=$((size * 5))
  document "$pages" >"$work/doc.ps"
  cat "$work/doc.ps" >/dev/null
  bytes=$(wc -c <"$work/doc.ps")
  measure cat sh -c 'exec cat "$1" >"$2"' sh "$work/doc.ps" "$work/out"
  measure dd dd if="$work/doc.ps" of="$work/out" bs=128k status=none
  measure renps "$RENPS" print "$job" "$work/doc.ps" -o "$work/out" --state-dir "$state"
  if [[ -n $psutils ]]; then
    measure psutils sh -c 'psbook -q "$1" | psnup -q -2 >"$2"' sh "$work/doc.ps" "$work/out"
    ps_column=$(printf '%6s  %5s  %7s  %5s' "$psutils_best" "$psutils_cpu" "$psutils_rss" \
      "$(ratio "$psutils_best" "$cat_best")")
  else
    ps_column="(psutils not installed)"
  fi
  printf '%-8s %6d | %6s  %5s  %7s | %6s  %5s  %7s | %6s  %5s  %7s  %5s | %s\n' "$((bytes / 1000000)) MB" \
    "$pages" "$cat_best" "$cat_cpu" "$cat_rss" "$dd_best" "$dd_cpu" "$dd_rss" "$renps_best" "$renps_cpu" "$renps_rss" \
    "$(ratio "$renps_best" "$cat_best")" "$ps_column"
  rm -f "$work/doc.ps"
done
