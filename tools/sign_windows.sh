#!/usr/bin/env bash
# Signs a Windows program with Authenticode (SHA-256, with the program's
# description and web address) and verifies the signature it made. The program
# as built is left as it is: the signed program is written to OUT.
#
#   tools/sign_windows.sh IN OUT
#   tools/sign_windows.sh --check     (only checks the settings below)
#
# Settings, from the environment (make release passes its own on):
#   UPDATER_SIGN_PKCS12          the code-signing certificate with its key (PKCS#12)
#   UPDATER_SIGN_PASSWORD_FILE   a file whose first line is the certificate's
#                                password; the password never appears on a
#                                command line
#   UPDATER_SIGN_TIMESTAMP_URL   optional: a time-stamping service, so that the
#                                signature stays valid after the certificate expires
#   UPDATER_SIGN_CAFILE          optional: the certificates of the authorities to
#                                verify against (PEM); default: the system's
set -euo pipefail
description=${UPDATER_SIGN_DESCRIPTION:-"NORVA TELIX MZ 5100P Master Controller Firmware Updater"}
url=${UPDATER_SIGN_URL:-"https://www.norva.example/support/"}
p12=${UPDATER_SIGN_PKCS12:-}
password=${UPDATER_SIGN_PASSWORD_FILE:-}
timestamp=${UPDATER_SIGN_TIMESTAMP_URL:-}
cafile=${UPDATER_SIGN_CAFILE:-}

fail() { echo "sign: $*" >&2; exit 1; }

command -v osslsigncode >/dev/null || fail "osslsigncode is missing (Debian: apt-get install osslsigncode)"
[ -n "$p12" ] && [ -r "$p12" ] || fail "UPDATER_SIGN_PKCS12 '$p12': give a readable PKCS#12 file"
[ -n "$password" ] && [ -r "$password" ] ||
  fail "UPDATER_SIGN_PASSWORD_FILE '$password': give a readable file holding the certificate's password"
[ -z "$cafile" ] || [ -r "$cafile" ] || fail "UPDATER_SIGN_CAFILE '$cafile' cannot be read"
openssl pkcs12 -in "$p12" -passin "file:$password" -noout 2>/dev/null ||
  fail "$p12 cannot be opened with the password in $password"
[ "${1:-}" = --check ] && exit 0

[ $# -eq 2 ] || { echo "usage: $0 IN OUT | --check" >&2; exit 2; }
in=$1
out=$2
[ "$(realpath -m "$in")" != "$(realpath -m "$out")" ] || fail "$in would be signed in place"
mkdir -p "$(dirname "$out")"
rm -f "$out" "$out.signing"
sign=(osslsigncode sign -pkcs12 "$p12" -readpass "$password" -h sha256 -n "$description" -i "$url")
[ -z "$timestamp" ] || sign+=(-t "$timestamp")
"${sign[@]}" -in "$in" -out "$out.signing" >"$out.signing.log" 2>&1 ||
  { cat "$out.signing.log" >&2; rm -f "$out.signing" "$out.signing.log"; fail "$in could not be signed"; }

verify=(osslsigncode verify -in "$out.signing")
[ -z "$cafile" ] || verify+=(-CAfile "$cafile")
"${verify[@]}" >"$out.signing.log" 2>&1 ||
  { cat "$out.signing.log" >&2; rm -f "$out.signing" "$out.signing.log"; fail "the signature of $out does not verify"; }
rm -f "$out.signing.log"
mv "$out.signing" "$out"
echo "sign: $out signed and verified"
