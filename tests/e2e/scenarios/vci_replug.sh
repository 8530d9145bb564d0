# The VCI is unplugged during a read and plugged back: the read fails with its box and shows no MAC
# it never read, the status follows the cable, and a read after re-plugging works.
start_apsim
start_vcisim --mac 001A2B3C4D5E
start_orvane
drive <<'UI'
wait-window 60
wait-title "Orvane Version 0.64 (USB - Connected)" 10
click 1020
wait-text 1020 "VCI MAC Address 읽는 중입니다." 5
UI
vci unplug >/dev/null
sleep 2
vci plug >/dev/null
drive <<'UI'
expect-box "VCI에서 응답이 없습니다." answer ok timeout 20
expect-text 1020 "VCI MAC Address 읽기"
wait-title "Orvane Version 0.64 (USB - Connected)" 10
expect-text 1015 "VCI 연결"
click 1020
expect-box "Read Completed" answer ok timeout 20
expect-text 1020 "VCI MAC Address 읽기   001A2B3C4D5E"
close 15
UI
expect_boxes "VCI에서 응답이 없습니다.	ok" "Read Completed	ok"
