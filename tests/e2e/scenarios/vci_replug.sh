# The VCI is unplugged during a read and plugged back: the read fails with its box and shows no MAC
# it never read, the status follows the cable, and a read after re-plugging works.
start_apsim
start_vcisim --mac 001A2B3C4D5E
start_orvane linked
drive <<UI
click IDC_READ_VCI_MAC_ADDRESS
wait-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽는 중입니다." 5
UI
vci unplug >/dev/null
sleep 2
vci plug >/dev/null
drive <<UI
expect-box "VCI에서 응답이 없습니다." answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기"
wait-title "$TITLE_CONNECTED" 10
expect-text IDC_STATUS_VCI "VCI 연결"
click IDC_READ_VCI_MAC_ADDRESS
expect-box "Read Completed" answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기   001A2B3C4D5E"
close 15
UI
expect_boxes "VCI에서 응답이 없습니다.	ok" "Read Completed	ok"
