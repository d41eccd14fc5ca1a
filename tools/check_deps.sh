#!/usr/bin/env bash
# tools/deps.sh on a bad day at the package mirror, without a network: stand-ins
# for apt-get, dpkg-query, dpkg, id and locale on PATH. Every index update fails
# and so does every i386 install: the rest is installed, and the i686 program's
# Wine run is told why it is skipped. A package that cannot be installed fails,
# named.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
unset STAGE_NOTES
export WORK=$(mktemp -d) DEPS_RETRY_PAUSE=0 UNAVAILABLE=
export DEPS_WINE32_NOTE=$WORK/wine32-missing
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/bin" "$WORK/tools" && cp "$root/tools/deps.sh" "$WORK/tools/" && touch "$WORK/installed"
stand_in() { printf '#!/bin/bash\n%s\n' "$2" >"$WORK/bin/$1" && chmod +x "$WORK/bin/$1"; }
stand_in apt-get 'echo "$*" >>"$WORK/apt.log"; [[ $* == *update* || $* == *:i386* ]] && exit 100
a="$*"; for p in ${a#*install }; do [[ $p == -* || " $UNAVAILABLE " == *" $p "* ]] || echo "$p" >>"$WORK/installed"; done
[[ " $* " != *" $UNAVAILABLE "* ]]'
stand_in dpkg-query 'grep -qx -- "${@: -1}" "$WORK/installed" && printf "install ok installed"'
stand_in dpkg 'echo i386'
stand_in id 'echo 0'
stand_in locale 'printf "%s\n" en_US.utf8 de_DE.utf8 ja_JP.utf8'
export PATH="$WORK/bin:$PATH"
failures=0
expect() { [ "$2" = "$3" ] || { echo "deps check: $1: got '$2', expected '$3'" >&2; failures=$((failures + 1)); }; }

"$WORK/tools/deps.sh" 2>"$WORK/err"; expect "exit with only the i386 part missing" $? 0
expect "index updates tried" "$(grep -c update "$WORK/apt.log")" 3
native=$(sed -n '/^packages=(/,/^)/p' "$root/tools/deps.sh" | sed '1d;$d' | tr ' ' '\n' | grep -v ':i386' | grep -c .)
expect "native packages installed" "$(grep -c . "$WORK/installed")" "$native"
expect "i386 install tried" "$(grep -c wine32:i386 "$WORK/apt.log")" 1
why=$("$WORK/tools/deps.sh" --check-wine32); expect "the Wine run's check" $? 1
expect "the reason" "$why" "the 32-bit Wine (wine32:i386) is not installed: apt-get could not install it after the package indexes failed to update"
: >"$WORK/apt.log"; "$WORK/tools/deps.sh" 2>/dev/null; expect "second run" "$?:$(cat "$WORK/apt.log")" "0:"
sed -i /lintian/d "$WORK/installed"; rm -f "$DEPS_WINE32_NOTE"; UNAVAILABLE=lintian "$WORK/tools/deps.sh" 2>"$WORK/err"
expect "exit with a package missing" $? 1
expect "the message" "$(tail -1 "$WORK/err")" "deps: cannot install lintian (see apt-get's messages above); make test needs it"
[ $failures -eq 0 ] && echo "deps check: passed"
