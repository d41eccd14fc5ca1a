#!/usr/bin/env bash
# Makes sure this Debian machine has what `make test` needs. As root it installs
# what is missing with apt-get; otherwise it names what is missing and fails.
set -euo pipefail

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

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && { make_locales; exit; }

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them (as root: apt-get install ${missing[*]}) and run make test again." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another install in progress holds the package lock: wait for it.
apt_get() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }
# The 32-bit Wine, which runs the shipped i686 program, comes from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
make_locales
