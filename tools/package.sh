#!/usr/bin/env bash
# Builds the Debian package of a Linux build tree with CPack and checks it:
# lintian finds no error and no missing hardening, the package holds exactly the
# files it should, its desktop entry and AppStream metainfo pass their
# validators, and the program in it answers --version with the package's
# version. Leaves the package in OUT_DIR.
#
#   tools/package.sh BUILD_DIR OUT_DIR
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR OUT_DIR" >&2; exit 2; }
build=$1
out=$2
name=norva-mz5100p-updater
desktop_id=example.norva.mz5100p_updater

rm -rf "$build/cpack"
mkdir -p "$build/cpack"
cpack --config "$build/CPackConfig.cmake" -B "$build/cpack" >"$build/cpack/cpack.log" 2>&1 ||
  { cat "$build/cpack/cpack.log" >&2; exit 1; }
debs=("$build"/cpack/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "package: no single package in $build/cpack" >&2; exit 1; }
deb=${debs[0]}

# Every tag is shown; an error fails, and so does any missing hardening of the
# program (the release is built with Debian's hardening flags).
tags=$(lintian --fail-on error -EvIL +pedantic "$deb" 2> >(grep -v 'running with root privileges' >&2)) ||
  { echo "$tags"; echo "package: lintian finds errors in $deb" >&2; exit 1; }
[ -z "$tags" ] || echo "$tags"
if grep -q ': hardening-' <<<"$tags"; then
  echo "package: the program in $deb is not hardened:" >&2
  grep ': hardening-' <<<"$tags" >&2
  exit 1
fi

expected="./usr/bin/$name
./usr/lib/udev/rules.d/60-updater-device.rules
./usr/share/applications/$desktop_id.desktop
./usr/share/doc/$name/README.md
./usr/share/doc/$name/changelog.gz
./usr/share/doc/$name/copyright
$(for size in 128 16 256 32 48 64; do echo "./usr/share/icons/hicolor/${size}x$size/apps/$name.png"; done)
./usr/share/man/man1/$name.1.gz
./usr/share/metainfo/$desktop_id.metainfo.xml"
expected=$(echo "$expected" | sort)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
if [ "$files" != "$expected" ]; then
  echo "package: $deb holds other files than it should:" >&2
  diff <(echo "$expected") <(echo "$files") >&2 || true
  exit 1
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
first=$("$root/usr/bin/$name" --version | head -n 1)
if [ "$first" != "$name $version" ]; then
  echo "package: the packaged program says '$first', not '$name $version'" >&2
  exit 1
fi
# The desktop files: each validator's errors fail the check; the metainfo's
# newest release is the package's.
desktop-file-validate "$root/usr/share/applications/$desktop_id.desktop" ||
  { echo "package: desktop-file-validate finds errors in $desktop_id.desktop" >&2; exit 1; }
appstreamcli validate --no-net "$root/usr/share/metainfo/$desktop_id.metainfo.xml" >&2 ||
  { echo "package: appstreamcli finds errors in $desktop_id.metainfo.xml" >&2; exit 1; }
if ! grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$desktop_id.metainfo.xml"; then
  echo "package: the metainfo names no release $version" >&2
  exit 1
fi
if readelf -S "$root/usr/bin/$name" | grep -q '\.debug_'; then
  echo "package: the packaged program is not stripped" >&2
  exit 1
fi

mkdir -p "$out"
cp "$deb" "$out/"
echo "package: $out/$(basename "$deb") checked ($(stat -c %s "$deb") bytes)"
