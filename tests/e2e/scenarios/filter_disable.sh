# "Disable" then "MAC Filter 설정": filtering off and applied; the replies are only traced. Before the
# connection the same button only says, twice, that there is none, and reports no setting.
start_apsim
start_vcisim
start_orvane
drive <<'UI'
wait-window 60
click 1022
expect-box "AP에 연결되어 있지 않습니다." answer ok timeout 15
expect-box "AP에 연결되어 있지 않습니다." answer ok timeout 15
sleep 500
click 1006
wait-text 1014 "AP 연결" 15
expect-box "Read Completed!!!" answer ok timeout 15
click 1024
expect-check 1024 1
expect-check 1023 0
click 1022
expect-box "설정 완료" answer ok timeout 15
close 15
UI
expect_commands "w fff3 " "w fff5 01" "w fff6 "
ap stats | grep -q 'filter.*off' || fail "apsim's filter is not off: $(ap stats | tr '\n' ' ')"
expect_boxes "AP에 연결되어 있지 않습니다.	ok" "AP에 연결되어 있지 않습니다.	ok" "Read Completed!!!	ok" "설정 완료	ok"
