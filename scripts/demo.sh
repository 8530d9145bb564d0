#!/usr/bin/env bash
# Installs what is needed, builds orvane.exe (AP at 127.0.0.1) and shows it under Wine:
# on $DISPLAY when there is one, otherwise on a virtual display, with a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset windows-loopback >/dev/null
cmake --build --preset windows-loopback -j "$(nproc)" --target orvane
exe=$PWD/build/windows-loopback/shell/orvane.exe

export ORVANE_WINEPREFIX=$PWD/build/wineprefix-demo
out=$PWD/build/demo
mkdir -p "$out"
export ORVANE_TRACE=$out/trace.log
: >"$ORVANE_TRACE"

. scripts/xvfb.sh
wine_pid=""
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
  scripts/wine.sh --stop || true
  [ -n "$wine_pid" ] && wait "$wine_pid" 2>/dev/null
  stop_xvfb
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ]; then
  echo "demo: Orvane runs on $DISPLAY; close it to end the demo (trace: $ORVANE_TRACE)"
  scripts/wine.sh --prepare
  scripts/wine.sh "$exe"
  exit 0
fi

start_xvfb
scripts/wine.sh --prepare
scripts/wine.sh "$exe" &
wine_pid=$!
# Wait for the dialog, then give it a moment to paint.
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'Orvane'; then break; fi
  sleep 0.1
done
sleep 2
import -window root "$out/orvane-full.png"
convert "$out/orvane-full.png" -trim +repage "$out/orvane.png" 2>/dev/null || cp "$out/orvane-full.png" "$out/orvane.png"
echo "demo: no display here; Orvane ran on a virtual display. Screenshot: $out/orvane.png (trace: $ORVANE_TRACE)"
