#!/usr/bin/env bash
# Signs a Windows program in place with an Authenticode signature (SHA-256), using osslsigncode.
#
#   scripts/sign.sh FILE.exe
#
# The certificate comes through the environment, never the command line, where any user's ps would
# show the password:
#   ORVANE_SIGN_PFX            the code-signing certificate with its private key, a PKCS#12 file (.pfx, .p12)
#   ORVANE_SIGN_PASSWORD       its password
#   ORVANE_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamping server, so that the signature stays
#                              valid after the certificate expires (needs the network)
# Fails, leaving FILE.exe as it was, when anything is missing or osslsigncode refuses.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: sign.sh FILE.exe (the certificate in ORVANE_SIGN_PFX and ORVANE_SIGN_PASSWORD)" >&2
  exit 2
fi
exe=$1
pfx=${ORVANE_SIGN_PFX:-}
fail() {
  echo "sign.sh: $*" >&2
  exit 1
}
[ -n "$pfx" ] || fail "ORVANE_SIGN_PFX names no certificate"
{ [ -f "$pfx" ] && [ -r "$pfx" ]; } || fail "cannot read the certificate $pfx"
[ -f "$exe" ] || fail "no program $exe"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing; run scripts/setup.sh"

# The password goes to osslsigncode in a file only we can read (mktemp makes the folder 0700, the
# umask the file 0600), removed however this ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT
(
  umask 077
  printf '%s' "${ORVANE_SIGN_PASSWORD:-}" >"$work/password"
)

args=(sign -pkcs12 "$pfx" -readpass "$work/password" -h sha256 -n Orvane)
if [ -n "${ORVANE_SIGN_TIMESTAMP_URL:-}" ]; then
  args+=(-ts "$ORVANE_SIGN_TIMESTAMP_URL")
fi
if ! osslsigncode "${args[@]}" -in "$exe" -out "$work/signed.exe" >"$work/log" 2>&1; then
  cat "$work/log" >&2
  fail "osslsigncode could not sign $exe (wrong password, or not a code-signing certificate?)"
fi
# Copied over the original, which keeps its permissions.
cp "$work/signed.exe" "$exe"
echo "sign.sh: signed $(basename "$exe") with $(basename "$pfx")${ORVANE_SIGN_TIMESTAMP_URL:+, time-stamped}"
