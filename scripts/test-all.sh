#!/usr/bin/env bash
# The whole test run, as CI does it:
#   1. native Release build, ctest;
#   2. lint: clang-format, include cycles, clang-tidy;
#   3. sanitizer build (ASan + UBSan), ctest;
#   4. fuzz: the libFuzzer targets built with clang, every saved input
#      replayed, each target fuzzed for a few seconds;
#   5. Windows cross build with mingw-w64, the plug-in DLL's exports and
#      imports checked, the unit tests run once under Wine.
# Every stage runs even after a failure; the script fails if any did. The
# Debian packages the chosen stages need are installed first when some are
# missing (as root, or through sudo; RENPS_INSTALL=no leaves them be).
#   bash scripts/test-all.sh            (builds under ./build-all)
#   RENPS_BUILD_ROOT=/tmp/b RENPS_STAGES="native windows" bash scripts/test-all.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_root=${RENPS_BUILD_ROOT:-$root/build-all}
jobs=${RENPS_JOBS:-2}
stages=${RENPS_STAGES:-native lint sanitize fuzz windows}
failed=()

source "$root/scripts/packages.sh"
packages=(cmake ninja-build g++ nlohmann-json3-dev libcli11-dev)
for stage in $stages; do
  case $stage in
    native | sanitize)
      # GoogleTest, Ghostscript as the printer, and the producers and psutils of the corpus test.
      packages+=(libgtest-dev libgmock-dev ghostscript groff poppler-utils psutils enscript locales)
      ;;
    lint)
      packages+=(clang-format clang-tidy python3 git libgtest-dev libgmock-dev)
      ;;
    windows)
      # GoogleTest's sources for the cross build, mingw-w64, and Wine to run the tests.
      packages+=(googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64)
      ;;
  esac
done
install_missing test-all "${packages[@]}"

# A decimal-comma locale, so the locale test really tries one (made only where
# we may: as root, with the locales package's generator).
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && [[ $(id -u) -eq 0 ]] && command -v locale-gen >/dev/null; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen && locale-gen >/dev/null || true
fi

# Tests must not read or write the user's own state.
export RENPS_STATE_DIR="$build_root/state"
mkdir -p "$RENPS_STATE_DIR"

banner() { printf '\n==== %s ====\n' "$*"; }

run_ctest() {
  local dir=$1
  shift
  # ctest prints its summary ("100% tests passed, 0 tests failed out of N").
  ctest --test-dir "$dir" --output-on-failure --no-tests=error "$@"
}

stage_native() {
  local dir=$build_root/native
  # Flags live in CMakePresets.json: -O2, because GCC 12 at -O3 reports
  # impossible overlaps and overruns inside the standard library's string and
  # vector code, which -Werror turns into failures.
  cmake --preset native -S "$root" -B "$dir" &&
    cmake --build "$dir" -j"$jobs" &&
    run_ctest "$dir" -j"$jobs"
}

stage_lint() {
  # Formatting, include cycles and clang-tidy over the native build's sources.
  bash "$root/scripts/lint.sh" "$build_root/native"
}

stage_sanitize() {
  local dir=$build_root/sanitize
  # The preset: -O1 with line tables only, the sanitizers' usual setting and
  # the cheapest build that still gives file and line in their reports.
  cmake --preset sanitize -S "$root" -B "$dir" &&
    cmake --build "$dir" -j"$jobs" &&
    ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1} \
      UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
      run_ctest "$dir" -j"$jobs"
}

stage_fuzz() {
  # libFuzzer comes with clang's runtime package; installed when missing.
  local package missing=()
  for package in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  if ((${#missing[@]})); then
    echo "fuzz: installing ${missing[*]}"
    local sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update &&
      DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" ||
      return 1
  fi
  BUILD_DIR=$build_root/fuzz JOBS=$jobs sh "$root/scripts/fuzz-smoke.sh"
}

stage_windows() {
  local dir=$build_root/windows dll
  cmake --preset windows -S "$root" -B "$dir" &&
    cmake --build "$dir" -j"$jobs" || return 1
  dll=$(find "$dir" -name renpsoem.dll -not -path '*/wineprefix/*' | head -n 1)
  if [[ -z $dll ]]; then
    echo "renpsoem.dll was not built" >&2
    return 1
  fi
  bash "$root/scripts/check-dll.sh" "$dll" || return 1
  # One Wine prefix in the build tree (the unit test sets the same one).
  export WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  run_ctest "$dir"
}

for stage in $stages; do
  banner "$stage"
  start=$SECONDS
  if "stage_$stage"; then
    echo "stage $stage passed in $((SECONDS - start)) s"
  else
    echo "stage $stage FAILED after $((SECONDS - start)) s"
    failed+=("$stage")
  fi
done

banner summary
if ((${#failed[@]})); then
  echo "failed stages: ${failed[*]}"
  exit 1
fi
echo "all stages passed: $stages"
