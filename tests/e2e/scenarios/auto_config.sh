# Automatic configuration from a cold start: both MACs registered, list shown, settings applied.
start_apsim --mac 0A:0B:0C:0D:0E:0F
start_vcisim --mac 001A2B3C4D5E
start_orvane linked
drive <<UI
expect-text IDC_STATUS_VCI "VCI 연결"
expect-text IDC_STATUS_AP "AP 미연결"
click IDC_AUTO_SETTING
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "자동 설정 완료" answer ok timeout 40
expect-text IDC_READ_PC_MAC_ADDRESS "PC MAC Address  읽기   021122334455"
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기   001A2B3C4D5E"
expect-check IDC_FILTER_ENABLE 1
expect-check IDC_FILTER_DISABLE 0
click IDC_TEST
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
