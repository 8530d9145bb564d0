# Automatic configuration from a cold start: both MACs registered, list shown, settings applied.
start_apsim --mac 0A:0B:0C:0D:0E:0F
start_vcisim --mac 001A2B3C4D5E
start_orvane
drive <<'UI'
wait-window 60
wait-title "Orvane Version 0.64 (USB - Connected)" 10
expect-text 1015 "VCI 연결"
expect-text 1014 "AP 미연결"
click 1016
wait-text 1014 "AP 연결" 15
expect-box "자동 설정 완료" answer ok timeout 40
expect-text 1019 "PC MAC Address  읽기   021122334455"
expect-text 1020 "VCI MAC Address 읽기   001A2B3C4D5E"
expect-check 1023 1
expect-check 1024 0
click 1025
expect-box "GetCount = 3" answer ok
expect-box "GetCheck(0) = 0" answer ok
expect-box "GetCheck(1) = 0" answer ok
expect-box "GetCheck(2) = 0" answer ok
close 15
UI
expect_list "0A 0B 0C 0D 0E 0F" "00 1A 2B 3C 4D 5E" "02 11 22 33 44 55"
expect_commands "w fff5 00" "w fff0 00 1a 2b 3c 4d 5e" "w fff0 02 11 22 33 44 55" "w fff3 " "w fff6 "
# The check-list shows exactly the AP's three entries.
expect_boxes "자동 설정 완료	ok" "GetCount = 3	ok" "GetCheck(0) = 0	ok" "GetCheck(1) = 0	ok" "GetCheck(2) = 0	ok"
expect_trace "COrvaneDlg::SendDataToAP : w fff0 02 11 22 33 44 55"
expect_trace "COrvaneDlg::SendDataToAP : w fff6 "
