#!/usr/bin/env bash
# Checks the formatting, then builds and runs every test: the portable code natively (sanitizers), the
# Windows program's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== format (scripts/format.sh --fix rewrites what differs from .clang-format)"
bash scripts/format.sh

jobs=$(nproc)

echo "== native: build"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
echo "== native: test"
ctest --preset native -j "$jobs"

echo "== windows: build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

# Windows tests run real windows on Wine's null graphics driver (no display needed, and
# message boxes open and close at once); the prefix's wineserver stays up between the many
# short test processes and is ended when the run ends, however it ends.
export ORVANE_WINEPREFIX=$PWD/build/wineprefix-test
unset DISPLAY
trap 'scripts/wine.sh --stop || true' EXIT
scripts/wine.sh --prepare
scripts/wine.sh --stop
WINEPREFIX=$ORVANE_WINEPREFIX /usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null

echo "== windows: test (under Wine)"
ctest --preset windows -j "$jobs"
