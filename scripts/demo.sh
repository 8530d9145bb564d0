#!/usr/bin/env bash
# Installs what is needed, builds Orvane (AP at 127.0.0.1) and its simulators, and runs Orvane under
# Wine against the simulated AP and VCI, inside a private network namespace in which the veth
# interface wifi0 plays the PC's wireless adapter.
#   With a display ($DISPLAY): you use the program; the demo ends when you close it.
#   Without one: on a virtual display, the UI driver presses "전체 MAC Address 자동 설정",
#   a short report is printed and a screenshot of the dialog after the run is written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$root/build/demo

if [ "${ORVANE_DEMO_IN_NETNS:-0}" != 1 ]; then
  bash scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$(nproc)" --target orvane_loopback vcisim uidriver apsim_host
  mkdir -p "$out"
  if [ "$(id -u)" = 0 ]; then
    export ORVANE_DEMO_IN_NETNS=1
    exec scripts/netns.sh "$0" "$@"
  fi
  echo "demo: not root, so no private network namespace: the PC's adapter is whatever this machine has" >&2
fi

bin=$root/build/windows
orvane=$bin/loopback/orvane.exe
vcisim=$bin/tools/vcisim/vcisim.exe
uidriver=$bin/tools/uidriver/uidriver.exe
apsim=$bin/tools/apsim/host/apsim
export ORVANE_WINEPREFIX=$root/build/wineprefix-demo
export ORVANE_TRACE=$out/trace.log
: >"$ORVANE_TRACE"
winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

. scripts/xvfb.sh
apsim_pid="" vcisim_pid="" orvane_pid=""
cleanup() {
  [ -n "$orvane_pid" ] && kill "$orvane_pid" 2>/dev/null
  [ -n "$vcisim_pid" ] && kill "$vcisim_pid" 2>/dev/null
  scripts/wine.sh --stop || true
  [ -n "$apsim_pid" ] && kill -TERM "$apsim_pid" 2>/dev/null
  wait 2>/dev/null
  stop_xvfb
}
trap cleanup EXIT

control() { # port line
  exec 7<>"/dev/tcp/127.0.0.1/$1"
  printf '%s\n' "$2" >&7
  local reply
  while IFS= read -r -t 10 reply <&7; do
    reply=${reply%$'\r'}
    case "$reply" in ok*|error*) break ;; esac
    printf '%s\n' "$reply"
  done
  exec 7>&-
}

headless=0
[ -n "${DISPLAY:-}" ] || headless=1
[ $headless = 1 ] && start_xvfb
# The prefix's wineserver must start in this namespace to list its interfaces.
scripts/wine.sh --stop
scripts/wine.sh --prepare

"$apsim" --listen 127.0.0.1 --port 4321 --control-port 0 --log "$out/apsim.log" \
  --mac 0A:1B:2C:3D:4E:5F --mac 0A:1B:2C:3D:4E:60 --delay 150 >"$out/apsim.out" 2>&1 </dev/null &
apsim_pid=$!
for _ in $(seq 1 100); do grep -q '^apsim listening' "$out/apsim.out" && break; sleep 0.05; done
ap_control=$(sed -n 's/^apsim listening on .* control \([0-9]*\)$/\1/p' "$out/apsim.out")

rm -f "$out/vcisim.port"
scripts/wine.sh "$vcisim" --control-port 0 --port-file "$(winpath "$out/vcisim.port")" --mac 001A2B3C4D5E \
  >"$out/vcisim.out" 2>&1 &
vcisim_pid=$!
for _ in $(seq 1 200); do [ -s "$out/vcisim.port" ] && break; sleep 0.05; done

before=$(control "$ap_control" list)
scripts/wine.sh "$orvane" >"$out/orvane.out" 2>&1 &
orvane_pid=$!

if [ $headless = 0 ]; then
  echo "demo: Orvane runs on $DISPLAY with the AP simulator at 127.0.0.1:4321 and the VCI simulator plugged in."
  echo "demo: close Orvane to end the demo (trace: $ORVANE_TRACE)"
  wait "$orvane_pid" || true
  orvane_pid=""
  exit 0
fi

rm -f "$out/boxes.tsv"
cat >"$out/demo.ui" <<'UI'
wait-window 30
wait-title "Orvane Version 0.64 (USB - Connected)" 15
click 1016
expect-box "자동 설정 완료" answer ok timeout 60
sleep 3000
read 1019
read 1020
UI
scripts/wine.sh "$uidriver" --boxes-log "$(winpath "$out/boxes.tsv")" "$(winpath "$out/demo.ui")" >"$out/driver.out" 2>&1 || {
  cat "$out/driver.out"
  echo "demo: the UI driver failed; logs in $out" >&2
  exit 1
}
import -window root "$out/orvane-full.png"
convert "$out/orvane-full.png" -trim +repage "$out/orvane.png" 2>/dev/null || cp "$out/orvane-full.png" "$out/orvane.png"
after=$(control "$ap_control" list)
scripts/wine.sh "$uidriver" -e "close 15" >/dev/null 2>&1 || true

caption() { sed -n "s/^line [0-9]*: read $1 -> \"\(.*\)\"$/\1/p" "$out/driver.out"; }
echo
echo "Orvane demo: automatic configuration against the simulated AP and VCI"
echo "  PC's wireless adapter (wifi0):  $(caption 1019 | sed 's/.*   //')"
echo "  VCI's WLAN module:              $(caption 1020 | sed 's/.*   //')"
echo "  AP's list before:               $(echo $before)"
echo "  AP's list after:                $(echo $after)"
echo "  commands the AP received:"
sed 's/^/    /' "$out/apsim.log"
echo "  boxes shown (caption, text, answer):"
sed 's/^/    /' "$out/boxes.tsv"
echo "  screenshot: $out/orvane.png"
echo "  trace:      $ORVANE_TRACE"
