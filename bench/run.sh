#!/usr/bin/env bash
# Prints one table of Orvane's figures on this machine: automatic configuration and delete runs of the
# real program against the simulators (as ratios to the waits the program must make), the VCI receive
# path, check-list painting, and the running program's idle CPU and working set. Wine runs under the
# Korean locale (code page 949) on a virtual display with a window manager, as on a technician's PC.
#   bench/run.sh            (root: the program runs in a private network namespace)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bin=$root/build/windows
out=$root/build/bench
export ORVANE_WINEPREFIX=$root/build/wineprefix-bench

if [ "${ORVANE_BENCH_IN_NETNS:-0}" != 1 ]; then
  bash scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$(nproc)" --target orvane_loopback vcisim uidriver procstat apsim_host \
    checklist_bench vcilink_link_bench >/dev/null
  mkdir -p "$out"
  export ORVANE_BENCH_IN_NETNS=1
  exec scripts/netns.sh "$0" "$@"
fi

. scripts/lib.sh
sim_session "$bin" "$out"
sim_start_session "$out/xvfb.log"

# Figures measured inside the program's own process (no simulators needed).
scripts/wine.sh "$bin/bench/checklist/checklist_bench.exe" >"$out/checklist.txt" 2>/dev/null
if [ -x "$bin/bench/vcilink/vcilink_link_bench.exe" ]; then
  scripts/wine.sh "$bin/bench/vcilink/vcilink_link_bench.exe" >"$out/link.txt" 2>/dev/null || true
fi

rm -f "$out/apsim.log"
macs=()
for i in $(seq 1 20); do macs+=(--mac "$(printf '0A:00:00:00:00:%02X' "$i")"); done
sim_start_apsim "${macs[@]}"
sim_start_vcisim --mac 001A2B3C4D5E
sim_start_orvane

drive() { ui_drive "$out/$1" --auto-answer ok || exit 1; } # steps on stdin; output to $out/$1.out
waited() { sed -n "s/.*expect-box \"$2\".*answered [a-z]* after \([0-9]*\) ms.*/\1/p" "$out/$1.out" | tail -1; }
procstat() { scripts/wine.sh "$ORVANE_PROCSTAT" 2>/dev/null; }

drive start <<UI
wait-window 30
wait-title "$TITLE_CONNECTED" 15
UI

# Idle: connected to the VCI, nothing to do. The program is a Linux process under Wine: its CPU
# time and resident memory come from /proc (the launcher's child is the program).
program=$(pgrep -P "$orvane_pid" | head -1)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$program/stat"; }
idle_before=$(cpu_ticks)
sleep 10
idle_after=$(cpu_ticks)
idle_cpu_ms=$(( (idle_after - idle_before) * 1000 / $(getconf CLK_TCK) ))
working_set_kb=$(field workingset_kb "$(procstat)")
rss_kb=$(awk '/^VmRSS/ { print $2 }' "/proc/$program/status")

drive auto <<'UI'
click IDC_AUTO_SETTING
expect-box "자동 설정 완료" answer ok timeout 60
UI
auto_ms=$(waited auto "자동 설정 완료")

drive delete <<'UI'
click IDC_DELETE_ALL_MAC
expect-box "모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?" answer yes
expect-box "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?" answer yes
expect-box "Mac 삭제 완료3" answer ok timeout 120
UI
delete_ms=$(waited delete "Mac 삭제 완료3")
deleted=$(grep -c '"w fff1 ' "$out/apsim.log")
drive stop <<'UI'
close 15
UI

paint_us=$(awk '$1 == 10000 { print $3 " / " $4 }' "$out/checklist.txt")
receive=$(sed -n 's/^ *handler, 1400-byte blocks on the UI thread: \([0-9.]*\) MB\/s = \([0-9.]*\) x.*/\1 MB\/s|\2/p' "$out/link.txt" 2>/dev/null || true)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
overhead() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.1f %%", (a - b) * 100 / b }'; }
echo
echo "Orvane figures on this machine ($(nproc) cores, Wine $(/usr/lib/wine/wine64 --version 2>/dev/null))"
echo
printf '| %-46s | %-22s | %-14s | %-22s |\n' "measure" "measured" "floor / goal" "ratio (overhead)"
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..48})" "$(printf -- '-%.0s' {1..24})" "$(printf -- '-%.0s' {1..16})" "$(printf -- '-%.0s' {1..24})"
printf '| %-46s | %-22s | %-14s | %-22s |\n' "automatic configuration, click to last box" "${auto_ms} ms" "8000 ms waits" "$(ratio "$auto_ms" 8000) ($(overhead "$auto_ms" 8000))"
per_entry=$(awk -v a="$delete_ms" -v n="$deleted" 'BEGIN { printf "%.0f", a / n }')
printf '| %-46s | %-22s | %-14s | %-22s |\n' "delete run, per entry ($deleted entries)" "${per_entry} ms" "1000 ms wait" "$(ratio "$per_entry" 1000) ($(overhead "$per_entry" 1000))"
printf '| %-46s | %-22s | %-14s | %-22s |\n' "VCI receive path, 0x721 blocks of 1400 bytes" "${receive%|*}" "60 MB/s" "${receive#*|} (goal >= 1)"
printf '| %-46s | %-22s | %-14s | %-22s |\n' "check-list paint, 10,000 items (first / last)" "${paint_us} us" "flat" "-"
printf '| %-46s | %-22s | %-14s | %-22s |\n' "idle CPU, VCI connected, 10 s" "${idle_cpu_ms} ms" "about 0 %" "$(awk -v c="$idle_cpu_ms" 'BEGIN { printf "%.2f %% of a core", c / 100 }')"
printf '| %-46s | %-22s | %-14s | %-22s |\n' "working set of the running program" "${working_set_kb} KiB" "-" "RSS under Wine ${rss_kb} KiB"
echo
echo "check-list bench:"; sed 's/^/  /' "$out/checklist.txt"
[ -s "$out/link.txt" ] && { echo "VCI link bench:"; sed 's/^/  /' "$out/link.txt"; }
exit 0
