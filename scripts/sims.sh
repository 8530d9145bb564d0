# shellcheck shell=bash
# Sourced: starts and stops the simulators and the program for the demo, the benchmark and the
# end-to-end suite, and talks to the simulators' control ports. The Linux processes (apsim, hostapd)
# and the Wine launchers are ended by their ids; the Windows processes (vcisim, the program) end with
# the prefix's wineserver (scripts/wine.sh --stop), which the callers start for their session.
#   SIM_APSIM, SIM_VCISIM, SIM_ORVANE   the programs (apsim is a Linux program, the others run under Wine)
#   SIM_APD                             orvane-apd, the AP side a Linux AP runs (with hostapd)
#   SIM_DIR                             where logs and port files go
# The callers set ORVANE_WINEPREFIX; scripts/wine.sh is the launcher.
# shellcheck source=scripts/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
apsim_pid="" vcisim_pid="" orvane_pid="" apsim_control="" vcisim_control=""
hostapd_pid="" hostapd_dir="" hostapd_ctrl="" apd_pid=""

# One control line to a simulator on loopback; prints the answer, its last line "ok ..." or "error ...".
# Fails when the simulator did not answer, or answered "error".
sim_control() {
  local port=$1 line=$2 reply status=1
  exec 7<>"/dev/tcp/127.0.0.1/$port" || return 1
  printf '%s\n' "$line" >&7
  while IFS= read -r -t 10 reply <&7; do
    reply=${reply%$'\r'}
    printf '%s\n' "$reply"
    case "$reply" in
      ok*) status=0 && break ;;
      error*) break ;;
    esac
  done
  exec 7>&-
  return $status
}

# A fresh wineserver for the prefix, kept up for the session's many short Wine processes. It starts
# here, inside the caller's network namespace, so that Wine lists that namespace's interfaces.
sim_start_wineserver() {
  "$orvane_root/scripts/wine.sh" --stop
  "$orvane_root/scripts/wine.sh" --prepare
  WINEPREFIX=$ORVANE_WINEPREFIX /usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
}

# The benchmarks' Wine session (callers source scripts/xvfb.sh too): the Korean locale (code page 949,
# Korean boxes), a virtual display of its own with a window manager (its log: $1), a fresh wineserver.
sim_start_session() {
  korean_locale
  unset DISPLAY
  ORVANE_XVFB_LOG=$1 start_xvfb
  sim_start_wineserver
}

# apsim on 127.0.0.1:4321, the address the loopback build connects to.
sim_start_apsim() {
  apsim_start "$SIM_APSIM" 127.0.0.1 "$SIM_DIR" "$@" ||
    { echo "apsim did not start:" >&2; cat "$SIM_DIR/apsim.err" >&2; return 1; }
}

# A real hostapd without a radio (driver=none) keeping the AP's accept list, its files in folder $1:
# hostapd.conf and accept (its accept_mac_file). Its control socket is $hostapd_ctrl/wlan0, in a short
# folder of its own under /tmp: a UNIX socket's path holds at most 107 bytes, which a build folder deep in
# a long checkout path exceeds. Callers run it inside their own network namespace.
#   sim_hostapd_files FOLDER MACADDR_ACL [MAC...]   writes the configuration and the accept file
#   sim_start_hostapd FOLDER                        starts hostapd from the files as they are
#   hostapd_cmd COMMAND...                          one command to it through hostapd_cli
#   sim_stop_hostapd                                ends it by its id
sim_hostapd_files() {
  local dir=$1 acl=$2
  shift 2
  mkdir -p "$dir"
  [ -n "$hostapd_ctrl" ] || hostapd_ctrl=$(mktemp -d /tmp/orvane-XXXXXX) || return 1
  printf '%s\n' "# The AP's hostapd, without a radio." driver=none interface=wlan0 "ctrl_interface=$hostapd_ctrl" \
    "macaddr_acl=$acl" "accept_mac_file=$dir/accept" >"$dir/hostapd.conf"
  printf '%s\n' "$@" | sed '/^$/d' >"$dir/accept"
}

hostapd_cmd() { timeout 5 hostapd_cli -p "$hostapd_ctrl" -i wlan0 "$@" 2>&1 | sed 's/\r$//'; }

sim_start_hostapd() {
  hostapd_dir=$1
  /usr/sbin/hostapd "$hostapd_dir/hostapd.conf" >>"$hostapd_dir/hostapd.log" 2>&1 </dev/null &
  hostapd_pid=$!
  hostapd_pong() { [ "$(hostapd_cmd ping)" = PONG ]; }
  wait_up "$hostapd_pid" 100 hostapd_pong && return 0
  echo "hostapd did not start:" >&2
  cat "$hostapd_dir/hostapd.log" >&2
  return 1
}

# Ends one process this script started, by its id: TERM, then KILL if it is still there after 10 s, so
# that a process that hangs on its way out never holds the run (and says so).
sim_end_pid() {
  local pid=$1 name=$2 tries=100
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || true
  while kill -0 "$pid" 2>/dev/null && [ $((tries -= 1)) -gt 0 ]; do sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "sims: $name ($pid) did not end within 10 s of TERM: killed" >&2
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
}

sim_stop_hostapd() {
  sim_end_pid "$hostapd_pid" hostapd
  hostapd_pid=""
}

# orvane-apd on 127.0.0.1:4321 next to the hostapd of sim_hostapd_files, with no configuration file; its
# log (standard error) in $SIM_DIR/apd.log. Further options (e.g. --allow) follow.
sim_start_apd() {
  "$SIM_APD" --config /dev/null --listen 127.0.0.1 --port 4321 --hostapd "$hostapd_ctrl/wlan0" \
    --accept-file "$hostapd_dir/accept" --hostapd-conf "$hostapd_dir/hostapd.conf" "$@" \
    >/dev/null 2>"$SIM_DIR/apd.log" </dev/null &
  apd_pid=$!
  wait_up "$apd_pid" 200 grep -q 'orvane-apd: listening on' "$SIM_DIR/apd.log" && return 0
  echo "orvane-apd did not start:" >&2
  cat "$SIM_DIR/apd.log" >&2
  return 1
}

sim_start_vcisim() {
  rm -f "$SIM_DIR/vcisim.port"
  "$orvane_root/scripts/wine.sh" "$SIM_VCISIM" --control-port 0 --port-file "$(winpath "$SIM_DIR/vcisim.port")" \
    --log "$(winpath "$SIM_DIR/vcisim.log")" "$@" >"$SIM_DIR/vcisim.out" 2>&1 &
  vcisim_pid=$!
  local _
  for _ in $(seq 1 600); do
    [ -s "$SIM_DIR/vcisim.port" ] && break
    kill -0 "$vcisim_pid" 2>/dev/null || break
    sleep 0.05
  done
  vcisim_control=$(tr -dc 0-9 <"$SIM_DIR/vcisim.port" 2>/dev/null)
  [ -n "$vcisim_control" ] || { echo "vcisim did not start:" >&2; cat "$SIM_DIR/vcisim.out" >&2; return 1; }
}

sim_start_orvane() {
  "$orvane_root/scripts/wine.sh" "$SIM_ORVANE" >"$SIM_DIR/orvane.out" 2>&1 &
  orvane_pid=$!
}

# Ends whatever of the above is running; the prefix's wineserver takes its Windows processes along.
stop_sims() {
  [ -n "$orvane_pid" ] && kill "$orvane_pid" 2>/dev/null
  [ -n "$vcisim_pid" ] && kill "$vcisim_pid" 2>/dev/null
  "$orvane_root/scripts/wine.sh" --stop
  sim_end_pid "$orvane_pid" orvane
  sim_end_pid "$vcisim_pid" vcisim
  sim_end_pid "$apsim_pid" apsim
  sim_end_pid "$apd_pid" orvane-apd
  sim_stop_hostapd
  # Only the folder sim_hostapd_files made.
  case $hostapd_ctrl in /tmp/orvane-*) rm -rf "$hostapd_ctrl" ;; esac
  orvane_pid="" vcisim_pid="" apsim_pid="" hostapd_ctrl="" apd_pid=""
}
