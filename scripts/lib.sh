# shellcheck shell=bash
# Sourced: the helpers the scripts share.
orvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The path as Windows programs under Wine see it (drive Z:); it need not exist yet.
winpath() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# field NAME TEXT: the value of NAME=VALUE in TEXT, as procstat prints its figures.
field() { sed -n "s/.*\b$1=\([^[:space:]]*\).*/\1/p" <<<"$2"; }

# The version, from project() in the top CMakeLists.txt, the one place it is written.
orvane_version() {
  sed -n 's/^project(Orvane VERSION \([0-9.]*\).*/\1/p' "$orvane_root/CMakeLists.txt" | grep . ||
    { echo "no version in $orvane_root/CMakeLists.txt" >&2; return 1; }
}

# ui_drive DIR/NAME [OPTION...]: runs the uidriver script on stdin, with uidriver's OPTIONs, against the
# running program (ORVANE_UIDRIVER names uidriver.exe). The script stays in DIR/NAME.ui and the driver's
# report in DIR/NAME.out; a failure shows the report's end on stderr and returns the driver's exit code.
ui_drive() {
  cat >"$1.ui"
  "$orvane_root/scripts/wine.sh" "$ORVANE_UIDRIVER" "${@:2}" "$(winpath "$1.ui")" >"$1.out" 2>&1 && return 0
  local rc=$?
  echo "uidriver failed (exit code $rc) on $1.ui; the end of $1.out:" >&2
  tail -n 20 "$1.out" >&2
  return $rc
}

# The main dialog's titles with the VCI attached and not, for the version in ORVANE_VERSION (else the
# project's).
orvane_titles() {
  ORVANE_VERSION=${ORVANE_VERSION:-$(orvane_version)}
  TITLE_CONNECTED="Orvane Version $ORVANE_VERSION (USB - Connected)"
  TITLE_NOT_CONNECTED="Orvane Version $ORVANE_VERSION (USB - NOT Connected)"
}

# wait_up PID TRIES COMMAND...: runs COMMAND every 50 ms until it succeeds (0), at most TRIES times;
# fails (1) at once when process PID has ended, and when the tries run out.
wait_up() {
  local pid=$1 tries=$2 _
  shift 2
  for _ in $(seq 1 "$tries"); do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# apsim_start APSIM ADDRESS DIR [OPTION...]: apsim on ADDRESS port 4321 (the port the program always
# uses) with a free control port, its output, errors and command log in DIR (apsim.out, apsim.err,
# apsim.log). Sets apsim_pid and apsim_control once it listens; a process that ended stops the wait, and
# the limit is generous because a start on a loaded machine can take seconds. Fails with apsim_pid empty
# (the process ended) when apsim does not come up.
apsim_start() {
  local apsim=$1 address=$2 dir=$3
  shift 3
  "$apsim" --listen "$address" --port 4321 --control-port 0 --log "$dir/apsim.log" "$@" \
    >"$dir/apsim.out" 2>"$dir/apsim.err" </dev/null &
  apsim_pid=$!
  wait_up "$apsim_pid" 400 grep -q '^apsim listening on' "$dir/apsim.out"
  apsim_control=$(sed -n 's/^apsim listening on .* control \([0-9][0-9]*\)$/\1/p' "$dir/apsim.out")
  [ -n "$apsim_control" ] && return 0
  kill -TERM "$apsim_pid" 2>/dev/null
  wait "$apsim_pid" 2>/dev/null
  apsim_pid=
  return 1
}

# sim_session BIN DIR: the session the demo, the benchmarks and the end-to-end runs share: the programs of
# the Windows build in BIN (apsim, orvane-apd, vcisim, the program built for 127.0.0.1, uidriver), DIR for
# the simulators' files, the simulators' and the virtual display's helpers (sims.sh, xvfb.sh), the window
# titles, and, on exit, the end of the simulators and then of the display (Wine's processes hold it until
# the wineserver is gone).
sim_session() {
  export SIM_APSIM=$1/tools/apsim/host/apsim SIM_APD=$1/tools/apsim/host/orvane-apd
  export SIM_VCISIM=$1/tools/vcisim/vcisim.exe SIM_ORVANE=$1/loopback/orvane.exe SIM_DIR=$2
  export ORVANE_UIDRIVER=$1/tools/uidriver/uidriver.exe ORVANE_PROCSTAT=$1/tools/uidriver/procstat.exe
  # shellcheck source=scripts/sims.sh
  . "$orvane_root/scripts/sims.sh"
  # shellcheck source=scripts/xvfb.sh
  . "$orvane_root/scripts/xvfb.sh"
  orvane_titles
  trap 'stop_sims || true; stop_xvfb || true' EXIT
}
