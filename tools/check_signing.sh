#!/usr/bin/env bash
# Signs copies of built Windows programs as `make release` signs them, with a
# throwaway certificate authority and code-signing certificate made here, and
# checks each signature: it verifies against the throwaway authority and
# against no other, it breaks when a byte of the signed program changes, and
# the programs as built are left unchanged.
#
#   tools/check_signing.sh WORK_DIR PROGRAM.exe...
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 WORK_DIR PROGRAM.exe..." >&2; exit 2; }
work=$1
shift
fail() { echo "signing check: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
ssl() { openssl "$@" >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log" >&2; fail "openssl $1 failed"; }; }
ssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" -days 2 \
  -subj "/CN=Throwaway updater signing CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
ssl req -newkey rsa:2048 -nodes -keyout "$work/signer.key" -out "$work/signer.csr" \
  -subj "/CN=Throwaway updater signer"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >"$work/signer.ext"
ssl x509 -req -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
  -out "$work/signer.pem" -days 1 -extfile "$work/signer.ext"
ssl rand -hex -out "$work/password" 16
ssl pkcs12 -export -in "$work/signer.pem" -inkey "$work/signer.key" -certfile "$work/ca.pem" \
  -out "$work/signer.p12" -passout "file:$work/password"
# A second authority, which did not issue the certificate.
ssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/other.key" -out "$work/other.pem" -days 2 \
  -subj "/CN=Another CA" -addext "basicConstraints=critical,CA:TRUE"

export UPDATER_SIGN_PKCS12=$work/signer.p12 UPDATER_SIGN_PASSWORD_FILE=$work/password
export UPDATER_SIGN_CAFILE=$work/ca.pem UPDATER_SIGN_TIMESTAMP_URL=
n=0
for program in "$@"; do
  n=$((n + 1))
  signed=$work/$n/$(basename "$program")
  before=$(sha256sum <"$program")
  ./tools/sign_windows.sh "$program" "$signed" >/dev/null
  [ "$(sha256sum <"$program")" = "$before" ] || fail "$program was changed by signing"
  osslsigncode verify -in "$signed" -CAfile "$work/other.pem" >"$work/$n.other.log" 2>&1 &&
    fail "$signed verifies against an authority that did not issue its certificate"
  osslsigncode verify -in "$signed" -CAfile "$work/ca.pem" >"$work/$n.log" 2>&1 || fail "$signed does not verify"
  for said in "Message digest algorithm *: SHA256" "Text description: NORVA TELIX MZ 5100P Master Controller" \
              "URL description: https://"; do
    grep -q "$said" "$work/$n.log" || fail "the signature of $signed lacks '$said'"
  done
  # One byte in the middle of the program changed: its signed digest no longer matches.
  cp "$signed" "$work/$n/damaged.exe"
  printf '\x5a' | dd of="$work/$n/damaged.exe" bs=1 seek=$(($(stat -c %s "$signed") / 2)) conv=notrunc status=none
  osslsigncode verify -in "$work/$n/damaged.exe" -CAfile "$work/ca.pem" >"$work/$n.damaged.log" 2>&1 &&
    fail "$signed still verifies with a byte changed"
  echo "signing check: $program signed and verified against the throwaway authority"
done
