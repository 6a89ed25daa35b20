#!/usr/bin/env bash
# The habits CI holds the tree to; each check fails the run:
#   - clang-format: any file that would change;
#   - the plug-in's units include each other in no cycle;
#   - clang-tidy (.clang-tidy) over our sources, from a build's compile_commands.json.
#   bash scripts/lint.sh [BUILD_DIR]     (default: a native build under build-all/native)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${RENPS_BUILD_ROOT:-$root/build-all}/native}
jobs=${RENPS_JOBS:-2}
cd "$root"
status=0

echo "-- clang-format"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.c')
if ! clang-format --dry-run -Werror "${sources[@]}"; then
  echo "clang-format: the files above are not formatted (run: git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i)"
  status=1
fi

echo "-- include cycles"
for part in complugins host platform; do python3 scripts/check-cycles.py "$part" || status=1; done

echo "-- clang-tidy"
if [[ ! -f $build/compile_commands.json ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
# Generated sources must exist before clang-tidy reads the units that include them.
cmake --build "$build" -j"$jobs" >/dev/null
# clang does not know GCC's -fno-gnu-unique: clang-tidy reads the commands without it.
mkdir -p "$build/clang-tidy-commands"
sed 's/ -fno-gnu-unique//g' "$build/compile_commands.json" >"$build/clang-tidy-commands/compile_commands.json"
if ! run-clang-tidy -p "$build/clang-tidy-commands" -j "$jobs" -quiet \
  "$root/(complugins|zqutil|zqcore|platform|host|driversim|utilitiesstaticlib|workflowext)/" \
  >"$build/clang-tidy.log" 2>&1; then
  grep -E 'warning:|error:' "$build/clang-tidy.log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u
  echo "clang-tidy: findings above (full log: $build/clang-tidy.log)"
  status=1
fi
exit $status
