# The VCI is attached but its WLAN module does not answer: the one button says so, registers the PC's
# MAC alone (never the all-zero entry that ends the AP's list) and completes; the read button alone
# says so too, and no MAC is shown that was never read.
start_apsim --mac 0A:0B:0C:0D:0E:0F
start_vcisim --mac 001A2B3C4D5E
vci "noreply 2" >/dev/null
start_orvane linked
drive <<UI
click IDC_AUTO_SETTING
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "VCI에서 응답이 없습니다." answer ok timeout 20
expect-box "자동 설정 완료" answer ok timeout 40
expect-text IDC_READ_PC_MAC_ADDRESS "PC MAC Address  읽기   021122334455"
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기"
click IDC_READ_VCI_MAC_ADDRESS
expect-box "VCI에서 응답이 없습니다." answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기"
sleep 500
close 15
UI
expect_list "0A 0B 0C 0D 0E 0F" "02 11 22 33 44 55"
expect_commands "w fff5 00" "w fff0 02 11 22 33 44 55" "w fff3 " "w fff6 "
expect_boxes "VCI에서 응답이 없습니다.	ok" "자동 설정 완료	ok" "VCI에서 응답이 없습니다.	ok"
