#!/usr/bin/env bash
# Builds the plug-in and renps on a fresh Debian machine and prints the
# bundled sample document through the plug-in: the printer stream goes to
# standard output. Packages are installed only when they are missing.
#   bash scripts/demo.sh [JOB.json [DOCUMENT.ps]]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
job=${1:-$root/examples/letter.json}
document=${2:-$root/examples/sample.ps}

packages=(cmake ninja-build g++ nlohmann-json3-dev libcli11-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "demo: installing ${missing[*]}" >&2
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  "${sudo[@]}" apt-get update >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >&2
fi

# Build output goes to standard error, so standard output is the printer stream alone.
cmake --preset release -S "$root" -DRENPS_BUILD_TESTS=OFF >&2
cmake --build "$root/build" -j2 --target renps >&2

# The demo's printer keeps its data in the build tree, not in the user's state.
exec "$root/build/bin/renps" print "$job" "$document" --state-dir "$root/build/demo-state"
