# Sourced: starts and stops the simulators and the program for the demo, the benchmark and the
# end-to-end suite, and talks to the simulators' control ports. Every process is ended by its id.
#   SIM_APSIM, SIM_VCISIM, SIM_ORVANE   the programs (apsim is a Linux program, the others run under Wine)
#   SIM_DIR                             where logs and port files go
# The callers set ORVANE_WINEPREFIX; scripts/wine.sh is the launcher.
sims_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
apsim_pid="" vcisim_pid="" orvane_pid="" apsim_control="" vcisim_control=""

winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

# One control line to a simulator on loopback; prints the answer, its last line "ok ..." or "error ...".
sim_control() {
  local port=$1 line=$2 reply
  exec 7<>"/dev/tcp/127.0.0.1/$port" || return 1
  printf '%s\n' "$line" >&7
  while IFS= read -r -t 10 reply <&7; do
    reply=${reply%$'\r'}
    printf '%s\n' "$reply"
    case "$reply" in ok*|error*) break ;; esac
  done
  exec 7>&-
}

# A fresh wineserver for the prefix, kept up for the session's many short Wine processes. It starts
# here, inside the caller's network namespace, so that Wine lists that namespace's interfaces.
sim_start_wineserver() {
  "$sims_root/scripts/wine.sh" --stop
  "$sims_root/scripts/wine.sh" --prepare
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
  "$SIM_APSIM" --listen 127.0.0.1 --port 4321 --control-port 0 --log "$SIM_DIR/apsim.log" "$@" \
    >"$SIM_DIR/apsim.out" 2>"$SIM_DIR/apsim.err" </dev/null &
  apsim_pid=$!
  # Generous limits: on a loaded machine a start can take seconds; a process that ended stops the wait.
  local _
  for _ in $(seq 1 400); do
    grep -q '^apsim listening on' "$SIM_DIR/apsim.out" 2>/dev/null && break
    kill -0 "$apsim_pid" 2>/dev/null || break
    sleep 0.05
  done
  apsim_control=$(sed -n 's/^apsim listening on .* control \([0-9][0-9]*\)$/\1/p' "$SIM_DIR/apsim.out")
  [ -n "$apsim_control" ] || { echo "apsim did not start:" >&2; cat "$SIM_DIR/apsim.err" >&2; return 1; }
}

sim_start_vcisim() {
  rm -f "$SIM_DIR/vcisim.port"
  "$sims_root/scripts/wine.sh" "$SIM_VCISIM" --control-port 0 --port-file "$(winpath "$SIM_DIR/vcisim.port")" \
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
  "$sims_root/scripts/wine.sh" "$SIM_ORVANE" >"$SIM_DIR/orvane.out" 2>&1 &
  orvane_pid=$!
}

# Ends whatever of the above is running; the prefix's wineserver takes its Windows processes along.
stop_sims() {
  [ -n "$orvane_pid" ] && kill "$orvane_pid" 2>/dev/null
  [ -n "$vcisim_pid" ] && kill "$vcisim_pid" 2>/dev/null
  "$sims_root/scripts/wine.sh" --stop
  [ -n "$orvane_pid" ] && wait "$orvane_pid" 2>/dev/null
  [ -n "$vcisim_pid" ] && wait "$vcisim_pid" 2>/dev/null
  if [ -n "$apsim_pid" ]; then
    kill -TERM "$apsim_pid" 2>/dev/null
    wait "$apsim_pid" 2>/dev/null
  fi
  orvane_pid="" vcisim_pid="" apsim_pid=""
}
