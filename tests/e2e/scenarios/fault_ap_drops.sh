# The AP closes the connection at each step of automatic configuration (after the filter command,
# either add, the list request, the apply): every time the program says so, shows "AP 미연결",
# holds no socket any more and stays responsive; the next run can start again.
start_apsim
start_vcisim --mac 001A2B3C4D5E
start_orvane linked
for step in 1 2 3 4 5; do
  ap reset >/dev/null
  ap "close-after $step silent" >/dev/null
  : >"$work/boxes.tsv"
  logged=$(wc -l <"$work/apsim.log")
  drive <<'UI'
answer-all ok
click IDC_AUTO_SETTING
wait-text IDC_STATUS_AP "AP 연결" 15
wait-text IDC_STATUS_AP "AP 미연결" 30
sleep 300
click IDC_REFRESH_AP_LIST
expect-box "AP에 연결되어 있지 않습니다." answer ok timeout 10
expect-text IDC_STATUS_VCI "VCI 연결"
UI
  grep -q $'\tAP와 연결이 끊어 졌습니다.\t' "$work/boxes.tsv" || fail "step $step: no box about the lost connection"
  commands=$(( $(wc -l <"$work/apsim.log") - logged ))
  [ "$commands" -eq "$step" ] || fail "step $step: the AP received $commands commands"
done
drive <<'UI'
close 15
UI
