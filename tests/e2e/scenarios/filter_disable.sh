# "Disable" then "MAC Filter 설정": filtering off, and once the AP has accepted it, applied. Before the
# connection the same button only says that there is none: no apply follows, and no setting is reported.
start_apsim
start_vcisim
start_orvane
drive <<'UI'
click IDC_MAC_FILTER_SETTING
expect-box "AP에 연결되어 있지 않습니다." answer ok timeout 15
sleep 500
click IDC_CONNECT_AP
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "Read Completed!!!" answer ok timeout 15
click IDC_FILTER_DISABLE
expect-check IDC_FILTER_DISABLE 1
expect-check IDC_FILTER_ENABLE 0
click IDC_MAC_FILTER_SETTING
expect-box "설정 완료" answer ok timeout 15
close 15
UI
expect_commands "w fff3 " "w fff5 01" "w fff6 "
ap stats | grep -q 'filter.*off' || fail "apsim's filter is not off: $(ap stats | tr '\n' ' ')"
expect_boxes "AP에 연결되어 있지 않습니다.	ok" "Read Completed!!!	ok" "설정 완료	ok"
