#!/usr/bin/env bash
# Builds the release, build/windows/orvane-<version>-win64.zip: the stripped orvane.exe and its README.txt.
#
#   scripts/release.sh            for the AP address in the windows build's cache (192.168.10.1 unless set)
#   scripts/release.sh 10.1.2.3   for an AP at another address (it stays in the cache for later builds)
#
# With a code-signing certificate the zipped orvane.exe carries an Authenticode signature (SHA-256);
# see scripts/sign.sh: ORVANE_SIGN_PFX, ORVANE_SIGN_PASSWORD and, optional, ORVANE_SIGN_TIMESTAMP_URL.
# Without ORVANE_SIGN_PFX the zip is unsigned.
set -euo pipefail
if [ -n "${ORVANE_SIGN_PFX:-}" ]; then
  if ! [ -f "$ORVANE_SIGN_PFX" ] || ! [ -r "$ORVANE_SIGN_PFX" ]; then
    echo "release.sh: cannot read the certificate ORVANE_SIGN_PFX=$ORVANE_SIGN_PFX" >&2
    exit 2
  fi
  # The packaging runs in the build tree: a path relative to here would point nowhere there.
  ORVANE_SIGN_PFX=$(realpath "$ORVANE_SIGN_PFX")
  export ORVANE_SIGN_PFX
fi
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [ $# -gt 1 ] || { [ $# -eq 1 ] && ! [[ $1 =~ ^([0-9]{1,3}\.){3}[0-9]{1,3}$ ]]; }; then
  echo "usage: release.sh [AP's IPv4 address]" >&2
  exit 2
fi
cmake --preset windows ${1:+"-DORVANE_AP_ADDRESS=$1"} >/dev/null
cmake --build --preset windows --target orvane_zip
