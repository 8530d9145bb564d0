#!/usr/bin/env bash
# Starts, drives and stops the VCI simulator in a Wine prefix from a shell script.
#
#   vcisim.sh start [vcisim options...]   start it in the background; prints its control port
#   vcisim.sh cmd LINE...                 send control lines; prints each answer (exit 1 on "error")
#   vcisim.sh stop                        quit it, end it by its pid if it hangs, remove its registry keys
#
# Environment:
#   WINEPREFIX (or ORVANE_WINEPREFIX)  the prefix the program under test runs in (one simulator per prefix)
#   VCISIM_EXE    the simulator (default: build/windows/tools/vcisim/vcisim.exe in the source tree)
#   VCISIM_STATE  where its pid, port and output are kept (default: $WINEPREFIX.vcisim)
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-${ORVANE_WINEPREFIX:-$root/build/wineprefix}}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
wine=/usr/lib/wine/wine64
exe=${VCISIM_EXE:-$root/build/windows/tools/vcisim/vcisim.exe}
state=${VCISIM_STATE:-$WINEPREFIX.vcisim}

winepath_of() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

# Sends one line on fd 3 and prints the answer up to its "ok"/"error" line.
send_line() {
  printf '%s\n' "$1" >&3
  local line status=0
  while IFS= read -r -t 20 line <&3; do
    line=${line%$'\r'}
    printf '%s\n' "$line"
    case $line in
      ok*) return $status ;;
      error*) return 1 ;;
    esac
  done
  echo "vcisim.sh: no answer to '$1'" >&2
  return 1
}

case "${1:-}" in
  start)
    shift
    mkdir -p "$state"
    rm -f "$state/port"
    # Output to a file: Wine's helper processes inherit it and would hold a pipe open.
    "$wine" "$exe" --control-port 0 --port-file "$(winepath_of "$state/port")" "$@" \
      >"$state/out" 2>&1 </dev/null &
    echo $! >"$state/pid"
    for _ in $(seq 1 200); do
      if [ -s "$state/port" ]; then
        tr -d '\r\n' <"$state/port"
        echo
        exit 0
      fi
      kill -0 "$(cat "$state/pid")" 2>/dev/null || break
      sleep 0.05
    done
    echo "vcisim.sh: the simulator did not come up; see $state/out" >&2
    exit 1
    ;;
  cmd)
    shift
    port=$(tr -d '\r\n' <"$state/port" 2>/dev/null) || { echo "vcisim.sh: not started" >&2; exit 1; }
    exec 3<>"/dev/tcp/127.0.0.1/$port" || exit 1
    rc=0
    for line in "$@"; do send_line "$line" || rc=1; done
    exec 3>&-
    exit $rc
    ;;
  stop)
    if [ -s "$state/port" ] && exec 3<>"/dev/tcp/127.0.0.1/$(tr -d '\r\n' <"$state/port")" 2>/dev/null; then
      send_line quit >/dev/null 2>&1
      exec 3>&-
    fi
    if [ -s "$state/pid" ]; then
      pid=$(cat "$state/pid")
      for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
      kill "$pid" 2>/dev/null && sleep 0.2
    fi
    # A simulator that was killed leaves its keys: an interface that no longer opens.
    "$wine" "$exe" --cleanup >/dev/null 2>&1 </dev/null
    rm -f "$state/pid" "$state/port"
    exit 0
    ;;
  *)
    sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
