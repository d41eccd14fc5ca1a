#!/usr/bin/env bash
# Makes sure this Debian machine has what `make test` needs. As root it installs
# what is missing with apt-get; otherwise it names what is missing and fails.
#
# The 32-bit Wine (wine32:i386) is the one package `make test` goes on without:
# its i386 libraries come from Debian's i386 index, which a mirror being synced
# can leave unreadable for hours. When it cannot be installed the reason is kept
# in /var/tmp/updater-wine32-missing (the mirror's state is the machine's, not a
# build tree's), and the Wine run of the i686 program is skipped with it.
#
#   tools/deps.sh                  install what is missing
#   tools/deps.sh --check-wine32   fail, saying why, when the 32-bit Wine is missing
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake make ninja-build g++ pkg-config
  libusb-1.0-0-dev libumockdev-dev umockdev
  libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64 wine32:i386 xvfb xdotool imagemagick fonts-noto-cjk locales
  clang libclang-rt-14-dev
  libsystemd-dev dbus python3-dbusmock
  qt6-base-dev
  dpkg-dev lintian desktop-file-utils appstream
  libssl-dev openssl osslsigncode
)
wine32_note=${DEPS_WINE32_NOTE:-/var/tmp/updater-wine32-missing}
# Seconds between tries of the index update.
pause=${DEPS_RETRY_PAUSE:-10}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if [ "${1:-}" = --check-wine32 ]; then
  installed wine32:i386 && exit 0
  echo "the 32-bit Wine (wine32:i386) is not installed: $(cat "$wine32_note" 2>/dev/null || echo "make deps installs it")"
  exit 1
fi

# Wine takes the program's language from the C library's locale, so the Wine
# run's languages must exist as locales (a fresh machine has only C).
make_locales() {
  local name
  for name in en_US de_DE ja_JP ru_RU zh_CN; do
    locale -a 2>/dev/null | grep -qix "$name.utf-\?8" && continue
    if [ "$(id -u)" -ne 0 ]; then
      echo "Missing locale $name.UTF-8 (as root: localedef -i $name -f UTF-8 $name.UTF-8)" >&2
      return 1
    fi
    localedef -i "$name" -c -f UTF-8 "$name.UTF-8" || true
  done
}

# The 32-bit Wine is missing, for this reason: said now, and kept for the Wine run.
without_wine32() {
  mkdir -p build
  echo "$1" >"$wine32_note"
  echo "deps: the 32-bit Wine (wine32:i386) is not installed: $1; the i686 program's Wine run will be skipped" >&2
  [ -z "${STAGE_NOTES:-}" ] || echo "wine32:i386 not installed" >>"$STAGE_NOTES"
}

missing=() foreign=()
for package in "${packages[@]}"; do
  installed "$package" && continue
  if [[ $package == *:i386 ]]; then foreign+=("$package"); else missing+=("$package"); fi
done
if [ ${#foreign[@]} -eq 0 ]; then rm -f "$wine32_note"; fi
if [ ${#missing[@]} -eq 0 ] && [ ${#foreign[@]} -eq 0 ]; then make_locales; exit; fi

# Tried less than 12 hours ago: not again on every run (make deps tries again).
if [ ${#missing[@]} -eq 0 ] && [ -n "$(find "$wine32_note" -mmin -720 2>/dev/null)" ]; then
  echo "deps: the 32-bit Wine (wine32:i386) is not installed: $(cat "$wine32_note") (tried at" \
    "$(date -r "$wine32_note" +%H:%M); make deps tries again); the i686 program's Wine run will be skipped" >&2
  [ -z "${STAGE_NOTES:-}" ] || echo "wine32:i386 not installed" >>"$STAGE_NOTES"
  make_locales
  exit
fi
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  if [ ${#missing[@]} -eq 0 ]; then
    without_wine32 "install it as root (apt-get install ${foreign[*]})"
    make_locales
    exit
  fi
  echo "Missing packages: ${missing[*]} ${foreign[*]}" >&2
  echo "Install them (as root: apt-get install ${missing[*]} ${foreign[*]}) and run make test again." >&2
  exit 1
fi
all=("${missing[@]}" "${foreign[@]}")
echo "Installing: ${all[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another install in progress holds the package lock: wait for it.
apt_get() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }
if [ ${#foreign[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

# A mirror in the middle of a sync fails some indexes for a while: try again,
# and then go on with what could be read; the install says what is missing.
updated=0
for try in 1 2 3; do
  if apt_get update -qq; then updated=1; break; fi
  [ "$try" -eq 3 ] || { echo "deps: apt-get update failed (try $try of 3); again in $pause s" >&2; sleep "$pause"; }
done
[ $updated -eq 1 ] || echo "deps: some package indexes could not be read; installing from the ones that could" >&2

if [ ${#missing[@]} -gt 0 ] && ! apt_get install -y -qq --no-install-recommends "${missing[@]}"; then
  # Install what can be, one by one, and name what cannot.
  failed=()
  for package in "${missing[@]}"; do
    apt_get install -y -qq --no-install-recommends "$package" || failed+=("$package")
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "deps: cannot install ${failed[*]} (see apt-get's messages above); make test needs it" >&2
    exit 1
  fi
fi
if [ ${#foreign[@]} -gt 0 ]; then
  if apt_get install -y -qq --no-install-recommends "${foreign[@]}"; then
    rm -f "$wine32_note"
  elif [ $updated -eq 1 ]; then
    without_wine32 "apt-get could not install it"
  else
    without_wine32 "apt-get could not install it after the package indexes failed to update"
  fi
fi
make_locales
