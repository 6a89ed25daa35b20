# Installs the Debian packages a script needs when some are missing: with
# apt-get (after apt-get update) as root, or through sudo. Sourced by the
# scripts; RENPS_INSTALL=no leaves the system alone.
#   install_missing WHO PACKAGE...
install_missing() {
  local who=$1 package missing=() sudo=()
  shift
  [[ ${RENPS_INSTALL:-yes} != no ]] || return 0
  if ! command -v dpkg-query >/dev/null; then
    echo "$who: not a Debian system: make sure these are installed: $*" >&2
    return 0
  fi
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "$who: missing packages: ${missing[*]}" >&2
      echo "$who: install them (apt-get install ${missing[*]}) as root, or run this again as root" >&2
      return 1
    fi
    sudo=(sudo)
  fi
  echo "$who: installing ${missing[*]}" >&2
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update >&2 &&
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >&2
}
