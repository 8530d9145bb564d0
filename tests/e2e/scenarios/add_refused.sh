# The AP refuses an add: the box says so, nothing more is sent, the list is unchanged.
start_apsim --mac 0A:0B:0C:0D:0E:0F
start_vcisim --mac 001A2B3C4D5E
start_orvane
drive <<'UI'
wait-window 60
wait-title "Orvane Version 0.64 (USB - Connected)" 10
click 1006
wait-text 1014 "AP 연결" 15
expect-box "Read Completed!!!" answer ok timeout 15
click 1020
expect-box "Read Completed" answer ok timeout 15
UI
ap "refuse 1" >/dev/null
drive <<'UI'
click 1021
expect-box "Mac 등록 실패" answer ok timeout 15
sleep 1500
close 15
UI
expect_list "0A 0B 0C 0D 0E 0F"
expect_commands "w fff3 " "w fff0 00 1a 2b 3c 4d 5e"
expect_boxes "Read Completed!!!	ok" "Read Completed	ok" "Mac 등록 실패	ok"
