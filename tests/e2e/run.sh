#!/usr/bin/env bash
# Runs one end-to-end scenario: the unmodified orvane.exe (AP at 127.0.0.1) under Wine with apsim and
# vcisim, driven from outside by uidriver, inside a private network namespace whose veth interface
# wifi0 plays the PC's wireless adapter, as on a technician's PC: Wine under the Korean locale (code
# page 949) on a display of its own (Xvfb) with a window manager (openbox). Everything it starts it
# ends by process id, even on failure.
#
#   run.sh SCENARIO
#
# Environment (set by CTest): ORVANE_E2E_BIN (the Windows build, whose programs run), ORVANE_E2E_WORK (logs
# and the Wine prefix), ORVANE_VERSION.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
scenario=${1:?usage: run.sh SCENARIO}

if [ "${ORVANE_E2E_IN_NETNS:-0}" != 1 ]; then
  [ "$(id -u)" = 0 ] || { echo "e2e $scenario: skipped: its network namespace needs root"; exit 77; }
  ORVANE_E2E_IN_NETNS=1 exec "$root/scripts/netns.sh" "$0" "$@"
fi

: "${ORVANE_E2E_BIN:?}" "${ORVANE_E2E_WORK:?}" "${ORVANE_VERSION:?}"
export ORVANE_WIFI_MAC=${ORVANE_WIFI_MAC:-02:11:22:33:44:55}
work=$ORVANE_E2E_WORK/$scenario
rm -rf "$work"
mkdir -p "$work"
# One prefix for every scenario; its wineserver starts here, inside this namespace, so that Wine
# lists this namespace's interfaces.
export ORVANE_WINEPREFIX=$ORVANE_E2E_WORK/wineprefix
export ORVANE_TRACE=$work/trace.log
: >"$ORVANE_TRACE"

. "$root/scripts/lib.sh"
sim_session "$ORVANE_E2E_BIN" "$work"
# A time-out's signal ends the scenario through that clean-up too.
trap 'exit 1' TERM INT HUP

# A failure is kept in a file, so that one found in a subshell counts too.
fail() {
  echo "FAIL: $*"
  echo "$*" >>"$work/failures"
}

korean_locale || { fail "no Korean locale"; exit 1; }
# A display of its own, started inside this namespace.
unset DISPLAY
ORVANE_XVFB_LOG=$work/xvfb.log start_xvfb || { fail "no virtual display"; exit 1; }

ap() { sim_control "$apsim_control" "$1" || fail "apsim did not carry out: $1" >&2; }
vci() { sim_control "$vcisim_control" "$1" || fail "vcisim did not carry out: $1" >&2; }
start_apsim() { sim_start_apsim "$@" || { fail "apsim did not start"; exit 1; }; }
start_vcisim() { sim_start_vcisim "$@" || { fail "vcisim did not start"; exit 1; }; }

# Runs a uidriver script (stdin) against the running program; the boxes it saw go to boxes.tsv.
# Returns uidriver's exit code.
drive() {
  local rc=0
  ui_drive "$work/driver" --boxes-log "$(winpath "$work/boxes.tsv")" 2>/dev/null || rc=$?
  [ "$rc" = 0 ] || fail "uidriver exited with $rc"
  cat "$work/driver.out"
  return "$rc"
}

# start_orvane [linked | listed [SECONDS]]: starts the program and drives the scenarios' common opening:
# its main dialog up; linked: and the VCI's link in the title; listed: and then the AP connected and its
# list read within SECONDS (15), its box answered. A program that gets no further ends the scenario.
start_orvane() {
  local opening=("wait-window 60")
  case ${1-} in
    '') ;;
    linked | listed) opening+=("wait-title \"$TITLE_CONNECTED\" 10") ;;
    *) fail "start_orvane: no opening named $1"; exit 1 ;;
  esac
  [ "${1-}" = listed ] && opening+=("click IDC_CONNECT_AP" "wait-text IDC_STATUS_AP \"AP 연결\" 15" \
    "expect-box \"Read Completed!!!\" answer ok timeout ${2:-15}")
  sim_start_orvane
  printf '%s\n' "${opening[@]}" | drive || exit 1
}

# handles=N threads=N ... of the running program (read them with field).
procstat() { "$root/scripts/wine.sh" "$ORVANE_PROCSTAT" 2>/dev/null; }

# Waits until vcisim's status shows KEY=VALUE (e.g. connected=1), at most SECONDS.
wait_vci() {
  local want=$1 seconds=$2 _
  for _ in $(seq 1 $((seconds * 20))); do
    sim_control "$vcisim_control" status | grep -q " $want" && return 0
    sleep 0.05
  done
  fail "vcisim never reported $want"
  return 1
}

# The AP's list, one MAC per line, as apsim holds it now.
ap_list() { ap list | grep -v '^ok' | sed 's/\r$//'; }

expect_list() {
  local want got
  want=$(printf '%s\n' "$@" | sed '/^$/d')
  got=$(ap_list | sed '/^$/d')
  [ "$want" = "$got" ] || fail "AP list is [${got//$'\n'/ }], expected [${want//$'\n'/ }]"
}

# The command lines apsim received, in order, compared with the expected ones.
expect_commands() {
  local want got
  want=$(printf '%s\n' "$@")
  got=$(sed -n 's/^"\(.*\)" -> .*/\1/p' "$work/apsim.log")
  [ "$want" = "$got" ] || { fail "AP commands differ"; diff <(echo "$want") <(echo "$got"); }
}

# The boxes uidriver saw, in order: "text<TAB>answer" lines.
expect_boxes() {
  local want got
  want=$(printf '%s\n' "$@")
  got=$(cut -f2,3 "$work/boxes.tsv" 2>/dev/null)
  [ "$want" = "$got" ] || { fail "boxes differ"; diff <(echo "$want") <(echo "$got"); }
}

expect_trace() {
  grep -aqF -- "$1" "$ORVANE_TRACE" || fail "trace has no line with: $1"
}

sim_start_wineserver
# The first Windows process of a new session also brings up Wine's own services; let a small one
# pay for that, so that the scenario's programs start at their usual pace.
"$root/scripts/wine.sh" "$ORVANE_PROCSTAT" >/dev/null 2>&1 || true

. "$here/scenarios/$scenario.sh"

if ! [ -s "$work/failures" ]; then
  echo "e2e $scenario: passed"
else
  echo "e2e $scenario: $(wc -l <"$work/failures") failure(s); logs in $work"
  exit 1
fi
