# 100 unplug/re-plug cycles of the VCI: the link follows every one, and the program ends them with
# as many handles and threads as it started with.
start_apsim
start_vcisim --mac 001A2B3C4D5E
start_orvane linked
wait_vci connected=1 5
before=$(procstat)
for _ in $(seq 1 100); do
  vci unplug >/dev/null
  wait_vci connected=0 5 || break
  vci plug >/dev/null
  wait_vci connected=1 5 || break
done
drive <<UI
wait-title "$TITLE_CONNECTED" 10
click IDC_READ_VCI_MAC_ADDRESS
expect-box "Read Completed" answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기   001A2B3C4D5E"
UI
after=$(procstat)
echo "before: $before"
echo "after:  $after"
[ "$(field threads "$after")" = "$(field threads "$before")" ] || fail "threads: $before -> $after"
# A handle or two may come and go with the read just done; a leak grows with the cycles.
[ "$(field handles "$after")" -le "$(( $(field handles "$before") + 4 ))" ] || fail "handles grew: $before -> $after"
drive <<'UI'
close 15
UI
