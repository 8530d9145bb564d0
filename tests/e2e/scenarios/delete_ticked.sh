# Deleting the ticked entries 0 and 2 of three: exactly those go, the unticked one stays.
start_apsim --mac 0A:00:00:00:00:01 --mac 0A:00:00:00:00:02 --mac 0A:00:00:00:00:03
start_vcisim --mac 001A2B3C4D5E
start_orvane listed
drive <<'UI'
click-row 0 check
click-row 2 check
click IDC_DELETE_SELECTED_MAC
expect-box "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?" caption "AP MAC Setting" answer yes
expect-box "Mac 삭제 완료3" answer ok timeout 15
expect-box "Read Completed!!!" answer ok timeout 15
click IDC_TEST
expect-box "GetCount = 1" answer ok
expect-box "GetCheck(0) = 0" answer ok
close 15
UI
expect_list "0A 00 00 00 00 02"
expect_commands "w fff3 " "w fff1 0A 00 00 00 00 01" "w fff1 0A 00 00 00 00 03" "w fff3 "
expect_boxes "Read Completed!!!	ok" "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?	yes" "Mac 삭제 완료3	ok" \
  "Read Completed!!!	ok" "GetCount = 1	ok" "GetCheck(0) = 0	ok"
expect_trace "COrvaneDlg::MakeMacDataToDelete:0A 00 00 00 00 03"
