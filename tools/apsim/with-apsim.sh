#!/usr/bin/env bash
# Runs a command beside a private apsim on a free loopback address, and ends that apsim afterwards.
#
#   with-apsim.sh APSIM [apsim options] -- command [args...]
#
# apsim listens on 127.a.b.c port 4321 (the port the program always uses; the address is what differs
# between runs) with a free control port. The command sees, and Wine passes on to Windows programs:
#   ORVANE_APSIM_ADDRESS       the AP's address
#   ORVANE_APSIM_CONTROL_PORT  apsim's control port on the same address
#   ORVANE_APSIM_LOG           apsim's command log file
# Only loopback addresses are ever used.
set -u
# shellcheck source=scripts/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

if [ $# -lt 3 ]; then
  echo "usage: with-apsim.sh APSIM [apsim options] -- command [args...]" >&2
  exit 2
fi
apsim=$1
shift
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  options+=("$1")
  shift
done
[ "${1:-}" = "--" ] && shift

tmp=$(mktemp -d "${TMPDIR:-/tmp}/orvane-apsim.XXXXXX")
pid=
# shellcheck disable=SC2317 # run by the trap
cleanup() {
  if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

address=
for _ in $(seq 1 20); do
  candidate=127.$((RANDOM % 250 + 2)).$((RANDOM % 250 + 2)).$((RANDOM % 250 + 2))
  if apsim_start "$apsim" "$candidate" "$tmp" "${options[@]}"; then
    address=$candidate pid=$apsim_pid
    break
  fi
done
if [ -z "$address" ]; then
  echo "with-apsim.sh: apsim did not start:" >&2
  cat "$tmp/apsim.err" >&2
  exit 1
fi

# Should this script be killed outright, apsim still goes with it.
( while kill -0 $$ 2>/dev/null; do sleep 1; done; kill -TERM "$pid" 2>/dev/null ) >/dev/null 2>&1 </dev/null &
watchdog=$!

export ORVANE_APSIM_ADDRESS=$address
export ORVANE_APSIM_CONTROL_PORT
ORVANE_APSIM_CONTROL_PORT=$apsim_control
export ORVANE_APSIM_LOG=$tmp/apsim.log

"$@"
rc=$?
kill "$watchdog" 2>/dev/null
exit $rc
