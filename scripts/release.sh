#!/usr/bin/env bash
# Builds the release, build/windows/orvane-<version>-win64.zip: the stripped orvane.exe and its README.txt.
#
#   scripts/release.sh            for the AP address in the windows build's cache (192.168.10.1 unless set)
#   scripts/release.sh 10.1.2.3   for an AP at another address (it stays in the cache for later builds)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [ $# -gt 1 ] || { [ $# -eq 1 ] && ! [[ $1 =~ ^([0-9]{1,3}\.){3}[0-9]{1,3}$ ]]; }; then
  echo "usage: release.sh [AP's IPv4 address]" >&2
  exit 2
fi
cmake --preset windows ${1:+"-DORVANE_AP_ADDRESS=$1"} >/dev/null
cmake --build --preset windows --target orvane_zip
