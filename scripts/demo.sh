#!/usr/bin/env bash
# Installs what is needed, builds Orvane (AP at 127.0.0.1) and its simulators, and runs Orvane under
# Wine against the simulated AP and VCI, inside a private network namespace in which the veth
# interface wifi0 plays the PC's wireless adapter. Wine runs under the Korean locale (code page 949),
# as the program does on a technician's PC.
#   With a display ($DISPLAY): you use the program; the demo ends when you close it.
#   Without one: on a virtual display with a window manager, the UI driver presses
#   "전체 MAC Address 자동 설정", a short report is printed, and screenshots of the box that ends the
#   run and of the dialog after it are written.
# With --hostapd the AP side is orvane-apd, the daemon a Linux AP runs, keeping the list in a real hostapd
# (no radio: driver=none) with its files under build/demo/hostapd; the report shows hostapd's list before
# and after, what "apply" wrote, and the daemon's log with the program's address.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$root/build/demo

hostapd=0
for arg in "$@"; do
  case $arg in
    --hostapd) hostapd=1 ;;
    *) echo "usage: demo.sh [--hostapd]" >&2; exit 2 ;;
  esac
done

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

export ORVANE_WINEPREFIX=$root/build/wineprefix-demo
export ORVANE_TRACE=$out/trace.log
: >"$ORVANE_TRACE"

. scripts/lib.sh
sim_session "$root/build/windows" "$out"
ap_list() { sim_control "$apsim_control" list | grep -v '^ok'; }
list_name="AP's list"
if [ $hostapd = 1 ]; then
  # hostapd's own list, as its command-line client shows it.
  ap_list() { hostapd_cmd ACCEPT_ACL SHOW | sed -n 's/^\([0-9a-f:]\{17\}\) VLAN_ID=.*/\1/p'; }
  list_name="hostapd's list"
fi

korean_locale
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
[ $headless = 1 ] && ORVANE_XVFB_LOG=$out/xvfb.log start_xvfb
# The prefix's wineserver must start in this namespace to list its interfaces.
scripts/wine.sh --stop
scripts/wine.sh --prepare

rm -f "$out/apsim.log" "$out/apd.log"
if [ $hostapd = 1 ]; then
  rm -rf "$out/hostapd"
  sim_hostapd_files "$out/hostapd" 0 0a:1b:2c:3d:4e:5f 0a:1b:2c:3d:4e:60
  sim_start_hostapd "$out/hostapd"
  sim_start_apd
else
  sim_start_apsim --mac 0A:1B:2C:3D:4E:5F --mac 0A:1B:2C:3D:4E:60
fi
sim_start_vcisim --mac 001A2B3C4D5E
before=$(ap_list)
sim_start_orvane

if [ $headless = 0 ]; then
  echo "demo: Orvane runs on $DISPLAY with the AP simulator at 127.0.0.1:4321 and the VCI simulator plugged in."
  if [ $hostapd = 1 ]; then
    echo "demo: the AP's list is kept by hostapd: hostapd_cli -p $hostapd_ctrl -i wlan0 ACCEPT_ACL SHOW"
  fi
  echo "demo: close Orvane to end the demo (trace: $ORVANE_TRACE)"
  wait "$orvane_pid" || true
  orvane_pid=""
  exit 0
fi

rm -f "$out/boxes.tsv"
drive() { ui_drive "$out/$1" --boxes-log "$(winpath "$out/boxes.tsv")" || exit 1; } # steps on stdin
shot() { # the screen cut down to the windows on it
  import -window root "$out/screen.png"
  convert "$out/screen.png" -trim +repage "$1" 2>/dev/null || cp "$out/screen.png" "$1"
}
drive start <<UI
wait-window 30
wait-title "$TITLE_CONNECTED" 15
click IDC_AUTO_SETTING
UI
# The box that ends the run is photographed while it is open, then answered.
timeout 60 xdotool search --sync --onlyvisible --name '^orvane$' >/dev/null || {
  echo "demo: no box after automatic configuration; logs in $out" >&2
  exit 1
}
sleep 0.5
shot "$out/orvane-box.png"
drive finish <<'UI'
expect-box "자동 설정 완료" answer ok timeout 5
sleep 1000
read IDC_READ_PC_MAC_ADDRESS
read IDC_READ_VCI_MAC_ADDRESS
UI
shot "$out/orvane.png"
after=$(ap_list)
scripts/wine.sh "$ORVANE_UIDRIVER" -e "close 15" >/dev/null 2>&1 || true

caption() { sed -n "s/^line [0-9]*: read $1 -> \"\(.*\)\"$/\1/p" "$out/finish.out"; }
echo
if [ $hostapd = 1 ]; then
  echo "Orvane demo: automatic configuration against the AP side kept by hostapd, and the simulated VCI"
else
  echo "Orvane demo: automatic configuration against the simulated AP and VCI"
fi
echo "  PC's wireless adapter (wifi0):  $(caption IDC_READ_PC_MAC_ADDRESS | sed 's/.*   //')"
echo "  VCI's WLAN module:              $(caption IDC_READ_VCI_MAC_ADDRESS | sed 's/.*   //')"
printf '  %-32s%s\n' "$list_name before:" "${before//$'\n'/ }" "$list_name after:" "${after//$'\n'/ }"
if [ $hostapd = 1 ]; then
  echo "  after \"apply\", $out/hostapd/accept:"
  sed 's/^/    /' "$out/hostapd/accept"
  echo "  and in $out/hostapd/hostapd.conf: $(grep '^macaddr_acl=' "$out/hostapd/hostapd.conf")"
fi
if [ $hostapd = 1 ]; then
  echo "  orvane-apd's log:"
  sed 's/^/    /' "$out/apd.log"
else
  echo "  commands the AP received:"
  sed 's/^/    /' "$out/apsim.log"
fi
echo "  boxes shown (caption, text, answer):"
sed 's/^/    /' "$out/boxes.tsv"
echo "  screenshots: $out/orvane-box.png, $out/orvane.png"
echo "  trace:      $ORVANE_TRACE"
exit 0
