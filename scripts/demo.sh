#!/usr/bin/env bash
# Builds the plug-in and renps on a fresh Debian machine and prints the
# bundled sample document through the plug-in: the printer stream goes to
# standard output. Packages are installed only when they are missing (as
# root, or through sudo).
#   bash scripts/demo.sh [JOB.json [DOCUMENT.ps]]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
job=${1:-$root/examples/letter.json}
document=${2:-$root/examples/sample.ps}

# The tests' packages too (GoogleTest, Ghostscript), so that the README's
# per-test commands work in build/ right after the demo.
source "$root/scripts/packages.sh"
install_missing demo cmake ninja-build g++ nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev ghostscript

# Build output goes to standard error, so standard output is the printer stream alone.
cmake --preset release -S "$root" -DRENPS_BUILD_TESTS=ON >&2
cmake --build "$root/build" -j2 --target renps >&2

# The demo's printer keeps its data in the build tree, not in the user's state.
exec "$root/build/bin/renps" print "$job" "$document" --state-dir "$root/build/demo-state"
