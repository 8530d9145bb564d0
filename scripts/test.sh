#!/usr/bin/env bash
# Builds and runs every test: the portable code natively (sanitizers), the Windows program's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)

echo "== native: build"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
echo "== native: test"
ctest --preset native -j "$jobs"

echo "== windows: build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

# Windows tests run real windows on a virtual display (its pixels can be read back);
# the prefix's wineserver stays up between the many short test processes.
. scripts/xvfb.sh
export ORVANE_FORCE_XVFB=1
export ORVANE_WINEPREFIX=$PWD/build/wineprefix-test
cleanup() {
  scripts/wine.sh --stop || true
  stop_xvfb
}
trap cleanup EXIT
start_xvfb
scripts/wine.sh --prepare
scripts/wine.sh --stop
WINEPREFIX=$ORVANE_WINEPREFIX /usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null

echo "== windows: test (under Wine)"
ctest --preset windows -j "$jobs"
