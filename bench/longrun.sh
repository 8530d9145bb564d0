#!/usr/bin/env bash
# The long run: one session of the real program against the simulators, driven from outside, with many
# automatic configurations and list refreshes of a long AP list; prints the program's USER and GDI
# objects, handles, threads and memory at the start and at the end, so that growth shows. Wine runs
# under the Korean locale on a virtual display with a window manager, as for bench/run.sh.
#   bench/longrun.sh [--autos N] [--refreshes N] [--entries N] [--every N]    (root: private network namespace)
#     --autos N       automatic configurations (button "전체 MAC Address 자동 설정"), default 50
#     --refreshes N   list reads (button "List of AP's MAC"), default 500, spread evenly between them
#     --entries N     MAC addresses the AP holds besides the PC's and the VCI's, default 100
#     --every N       a progress line every N rounds (a round: one automatic configuration and its
#                     share of the refreshes), default 5
# Every AP command waits 1000 ms first, so the defaults take about 21 minutes; a short run
# (--autos 5 --refreshes 20) takes about two minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bin=$root/build/windows
out=$root/build/longrun
export ORVANE_WINEPREFIX=$root/build/wineprefix-longrun

autos=50 refreshes=500 entries=100 every=5
usage() { echo "usage: longrun.sh [--autos N] [--refreshes N] [--entries N] [--every N]" >&2; exit 2; }
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case "$1" in
    --autos) autos=$2 ;;
    --refreshes) refreshes=$2 ;;
    --entries) entries=$2 ;;
    --every) every=$2 ;;
    *) usage ;;
  esac
  shift 2
done
for n in "$autos" "$refreshes" "$entries" "$every"; do
  [[ "$n" =~ ^[0-9]+$ ]] || { echo "longrun.sh: not a number: $n" >&2; exit 2; }
done
[ "$entries" -le 250 ] || { echo "longrun.sh: at most 250 entries (one list answer per read)" >&2; exit 2; }
[ "$every" -ge 1 ] || every=1

if [ "${ORVANE_LONGRUN_IN_NETNS:-0}" != 1 ]; then
  bash scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j 2 --target orvane_loopback vcisim uidriver procstat apsim_host >/dev/null
  mkdir -p "$out"
  export ORVANE_LONGRUN_IN_NETNS=1
  exec scripts/netns.sh "$0" --autos "$autos" --refreshes "$refreshes" --entries "$entries" --every "$every"
fi

. scripts/lib.sh
sim_session "$bin" "$out"
sim_start_session "$out/xvfb.log"

rm -f "$out"/apsim.log "$out"/boxes.tsv "$out"/*.ui "$out"/*.out
macs=()
for i in $(seq 1 "$entries"); do macs+=(--mac "$(printf '0A:00:00:00:%02X:%02X' $((i / 256)) $((i % 256)))"); done
# Room for the PC's and the VCI's MACs, which the first automatic configuration adds.
sim_start_apsim --capacity $((entries + 8)) "${macs[@]}"
sim_start_vcisim --mac 001A2B3C4D5E
sim_start_orvane

# Steps on stdin; output to $out/$1.out; every box goes to boxes.tsv.
drive() { ui_drive "$out/$1" --boxes-log "$(winpath "$out/boxes.tsv")" || exit 1; }
# The times from click to box of one drive, in ms, one a line.
waits() { sed -n "s/.*expect-box \"$2\".*answered [a-z]* after \([0-9]*\) ms.*/\1/p" "$out/$1.out"; }
mean() { awk '{ s += $1; n++ } END { if (n) printf "%.0f", s / n; else printf "-" }'; }
# The AP's list length; fails when apsim does not answer.
ap_entries() {
  local list
  list=$(sim_control "$apsim_control" list) || return 1
  grep -vc '^ok' <<<"$list" || true
}

auto_steps() {
  echo 'click IDC_AUTO_SETTING'
  echo 'expect-box "자동 설정 완료" answer ok timeout 60'
}
refresh_steps() {
  local i
  for i in $(seq 1 "$1"); do
    echo 'click IDC_REFRESH_AP_LIST'
    echo 'expect-box "Read Completed!!!" answer ok timeout 30'
  done
}

# One sample of the running program (procstat's figures; under Wine its working set is the process's
# resident memory), the AP's list length and the seconds since the start, as name=value pairs.
begin=$(date +%s)
sample() {
  local stat
  stat=$(scripts/wine.sh "$ORVANE_PROCSTAT" 2>/dev/null) || stat=""
  echo "$stat ap=$(ap_entries) t=$(( $(date +%s) - begin ))"
}

drive start <<UI
wait-window 30
wait-title "$TITLE_CONNECTED" 15
UI
begin=$(date +%s)
launched=$(sample)

rounds=$autos
if [ "$autos" -eq 0 ]; then
  # Without an automatic configuration the connection comes from the connect button, and its list read.
  drive connect <<'UI'
click IDC_CONNECT_AP
expect-box "Read Completed!!!" answer ok timeout 30
UI
  rounds=1
else
  # The first automatic configuration makes the connection and what lives as long as it: the figures
  # after it are where the run starts.
  auto_steps | drive auto1
fi
first=$(sample)
first_auto=-
[ "$autos" -eq 0 ] || first_auto=$(waits auto1 "자동 설정 완료" | mean)

progress() {
  local s=$2
  printf '%-10s %5s s  user=%-4s gdi=%-4s handles=%-4s threads=%-3s workingset=%-6s KiB ap=%s\n' \
    "$1" "$(field t "$s")" "$(field user "$s")" "$(field gdi "$s")" "$(field handles "$s")" \
    "$(field threads "$s")" "$(field workingset_kb "$s")" "$(field ap "$s")"
}
echo "long run: $autos automatic configurations, $refreshes list reads of $(field ap "$first") entries"
progress launched "$launched"
progress start "$first"

done_refreshes=0 first_refresh=- last_refresh=- last_auto=$first_auto
for r in $(seq 1 "$rounds"); do
  share=$(( refreshes * r / rounds - refreshes * (r - 1) / rounds ))
  {
    [ "$r" -gt 1 ] && auto_steps
    refresh_steps "$share"
  } | drive round
  done_refreshes=$((done_refreshes + share))
  [ "$r" -gt 1 ] && last_auto=$(waits round "자동 설정 완료" | mean)
  if [ "$share" -gt 0 ]; then
    last_refresh=$(waits round "Read Completed!!!" | mean)
    [ "$first_refresh" != - ] || first_refresh=$last_refresh
  fi
  if [ "$r" -eq "$rounds" ] || [ $((r % every)) -eq 0 ]; then
    last=$(sample)
    progress "round $r" "$last"
  fi
done

# The check-list holds the AP's list and nothing more: as many rows as the AP has entries.
listed=$(ap_entries)
{
  echo 'click IDC_TEST'
  echo "expect-box \"GetCount = $listed\" answer ok"
  for i in $(seq 0 $((listed - 1))); do echo "expect-box \"GetCheck($i) = 0\" answer ok"; done
} | drive rows
drive stop <<'UI'
close 15
UI
elapsed=$(( $(date +%s) - begin ))

growth() { # start end [unit]
  if [[ "$1" =~ ^[0-9]+$ && "$2" =~ ^[0-9]+$ ]]; then
    awk -v a="$1" -v b="$2" -v u="${3:-}" 'BEGIN {
      d = b - a; s = (d >= 0 ? "+" : "")
      if (a > 0 && u != "") printf "%s%d%s (%s%.1f %%)", s, d, u, s, d * 100 / a; else printf "%s%d%s", s, d, u }'
  else
    printf -- '-'
  fi
}
row() { # measure start end [unit]
  printf '| %-44s | %-10s | %-10s | %-18s |\n' "$1" "$2" "$3" "$(growth "$2" "$3" "${4:-}")"
}
fig() { row "$1" "$(field "$2" "$first")" "$(field "$2" "$last")" "${3:-}"; }

echo
echo "Orvane long run on this machine ($(nproc) cores, Wine $(/usr/lib/wine/wine64 --version 2>/dev/null)):" \
  "$autos automatic configurations and $done_refreshes list reads of $listed entries in $elapsed s"
started_after="the first automatic configuration"
[ "$autos" -gt 0 ] || started_after="the connection and its list read"
echo "(start: after $started_after; end: after the last list read)"
echo
printf '| %-44s | %-10s | %-10s | %-18s |\n' measure start end growth
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..46})" "$(printf -- '-%.0s' {1..12})" \
  "$(printf -- '-%.0s' {1..12})" "$(printf -- '-%.0s' {1..20})"
if [ "$(field gui "$first")" = counted ]; then
  fig "USER objects (windows)" user
else
  fig "USER objects" user
fi
fig "GDI objects" gdi
fig "handles" handles
fig "threads" threads
fig "working set (KiB)" workingset_kb " KiB"
fig "AP list entries" ap
row "automatic configuration, click to box (ms)" "$first_auto" "$last_auto" " ms"
row "list read, click to box, first / last round" "$first_refresh" "$last_refresh" " ms"
echo
echo "AP answers to the add commands: $(sed -n 's/^"w fff0 [^"]*" -> \([0-9]* ([a-z ]*[a-z]\).*/\1)/p' "$out/apsim.log" |
  sort | uniq -c | awk '{ c = $1; $1 = ""; printf "%s%d ×%s", sep, c, $0; sep = ", " } END { if (!NR) printf "none" }')"
echo "boxes seen: $(cut -f2 "$out/boxes.tsv" | sed 's/^GetCheck(.*/GetCheck(…)/' | sort | uniq -c |
  awk '{ c = $1; $1 = ""; printf "%s%d ×%s", sep, c, $0; sep = ", " }')"
exit 0
