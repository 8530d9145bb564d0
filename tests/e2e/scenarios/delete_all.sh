# Deleting everything asks twice, then removes every entry one command at a time.
start_apsim --mac 0A:00:00:00:00:01 --mac 0A:00:00:00:00:02 --mac 0A:00:00:00:00:03
start_vcisim
start_orvane listed
drive <<'UI'
click IDC_DELETE_ALL_MAC
expect-box "모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?" caption "AP MAC Setting" answer yes
expect-box "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?" caption "AP MAC Setting" answer yes
expect-box "Mac 삭제 완료3" answer ok timeout 20
expect-box "Read Completed!!!" answer ok timeout 15
click IDC_TEST
expect-box "GetCount = 0" answer ok
close 15
UI
expect_list
expect_commands "w fff3 " "w fff1 0A 00 00 00 00 01" "w fff1 0A 00 00 00 00 02" "w fff1 0A 00 00 00 00 03" "w fff3 "
expect_boxes "Read Completed!!!	ok" "모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?	yes" \
  "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?	yes" "Mac 삭제 완료3	ok" "Read Completed!!!	ok" "GetCount = 0	ok"
