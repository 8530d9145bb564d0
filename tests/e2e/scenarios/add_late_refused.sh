# An AP that answers a little late, with room for one more entry: the filter command's answer, read after
# the pause, is the filter's, so the VCI's add is accepted and the PC's refused. The run ends with
# "Mac 등록 실패": no apply and no success box; the next list read is a plain one.
start_apsim --mac 0A:0B:0C:0D:0E:0F --capacity 2 --delay 300
start_vcisim --mac 001A2B3C4D5E
start_orvane linked
drive <<UI
click IDC_AUTO_SETTING
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "Mac 등록 실패" answer ok timeout 40
sleep 2500
click IDC_REFRESH_AP_LIST
expect-box "Read Completed!!!" answer ok timeout 15
sleep 1500
close 15
UI
expect_list "0A 0B 0C 0D 0E 0F" "00 1A 2B 3C 4D 5E"
expect_commands "w fff5 00" "w fff0 00 1a 2b 3c 4d 5e" "w fff0 02 11 22 33 44 55" "w fff3 "
expect_boxes "Mac 등록 실패	ok" "Read Completed!!!	ok"
