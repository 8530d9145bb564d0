# The AP refuses adds (its list is full): the box says so, nothing more is sent, the list is unchanged.
# An automatic configuration that meets the refusal is over: the next list read is a plain one, with
# no apply and no success box.
start_apsim --mac 0A:0B:0C:0D:0E:0F --capacity 1
start_vcisim --mac 001A2B3C4D5E
start_orvane listed
drive <<UI
click IDC_READ_VCI_MAC_ADDRESS
expect-box "Read Completed" answer ok timeout 15
click IDC_ADD_MAC_TO_AP
expect-box "Mac 등록 실패" answer ok timeout 15
sleep 1500
UI
expect_commands "w fff3 " "w fff0 00 1a 2b 3c 4d 5e"
: >"$work/boxes.tsv"
# The filter command's answer is the filter's: the VCI's refusal ends the run, and the PC's add is never sent.
drive <<'UI'
click IDC_AUTO_SETTING
expect-box "Mac 등록 실패" answer ok timeout 30
click IDC_REFRESH_AP_LIST
expect-box "Read Completed!!!" answer ok timeout 15
sleep 1500
close 15
UI
expect_list "0A 0B 0C 0D 0E 0F"
expect_commands "w fff3 " "w fff0 00 1a 2b 3c 4d 5e" "w fff5 00" "w fff0 00 1a 2b 3c 4d 5e" "w fff3 "
[ "$(cut -f2 "$work/boxes.tsv" | tail -n 1)" = "Read Completed!!!" ] || fail "the list read did not end the run"
grep -q $'\t자동 설정 완료\t' "$work/boxes.tsv" && fail "a refused configuration reported success"
grep -qv $'\tMac 등록 실패\t\|\tRead Completed!!!\t' "$work/boxes.tsv" && fail "unexpected boxes: $(cut -f2 "$work/boxes.tsv" | tr '\n' '|')"
