#!/usr/bin/env bash
# One golden case of renps: print the case's job file and documents into a
# fresh state directory, compare the printer stream byte for byte with
# expected.prn, and run its PostScript part (PJL removed) through Ghostscript,
# which must finish without an error.
#
#   run-golden.sh RENPS CASE_DIR
#
# RENPS_LAUNCHER runs renps through a program (wine for the Windows build);
# the printer stream must be the same bytes there.
#
# RENPS_REGENERATE=1 rewrites expected.prn from the output instead of
# comparing (read the new file before committing it).
#
# Nothing is normalised: the job files fix the clock, the user, the machine
# and the operating system's name, and the state directory starts empty, so
# the stream depends on nothing but the case.
set -euo pipefail

renps=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
launcher=()
[[ -n ${RENPS_LAUNCHER:-} ]] && read -r -a launcher <<<"$RENPS_LAUNCHER"
run_renps() { "${launcher[@]}" "$renps" "$@"; }

shopt -s nullglob
documents=("$case_dir"/document*.ps)
if [[ ${#documents[@]} -eq 0 ]]; then
  echo "golden: $case_dir has no document*.ps" >&2
  exit 1
fi

run_renps print "$case_dir/job.json" "${documents[@]}" --state-dir "$work/state" -o "$work/out.prn"

if [[ "${RENPS_REGENERATE:-}" == 1 ]]; then
  cp "$work/out.prn" "$case_dir/expected.prn"
  echo "golden: regenerated $case_dir/expected.prn"
elif ! cmp -s "$work/out.prn" "$case_dir/expected.prn"; then
  echo "golden: $case_dir: the printer stream differs from expected.prn:" >&2
  diff -a -u "$case_dir/expected.prn" "$work/out.prn" | head -80 >&2 || true
  exit 1
fi

run_renps strip-pjl "$work/out.prn" >"$work/out.ps"
if ! gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage "$work/out.ps" >"$work/gs.log" 2>&1 ||
  grep -q "Error" "$work/gs.log"; then
  echo "golden: $case_dir: Ghostscript reports an error in the PostScript part:" >&2
  cat "$work/gs.log" >&2
  exit 1
fi
echo "golden: $case_dir: ok"
