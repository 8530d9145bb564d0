# The AP drops the connection in the middle of a delete run: the program says so, stays usable,
# and nothing that was not ticked is deleted.
start_apsim --mac 0A:00:00:00:00:01 --mac 0A:00:00:00:00:02 --mac 0A:00:00:00:00:03 --mac 0A:00:00:00:00:04
start_vcisim
start_orvane listed
drive <<'UI'
click-row 0 check
click-row 1 check
click-row 3 check
UI
# The list request was command 1; the second delete is the 3rd command from here: close after it.
ap "close-after 2 silent" >/dev/null
drive <<'UI'
click IDC_DELETE_SELECTED_MAC
expect-box "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?" answer yes
expect-box "AP와 연결이 끊어 졌습니다." answer ok timeout 20
wait-text IDC_STATUS_AP "AP 미연결" 5
click IDC_REFRESH_AP_LIST
expect-box "AP에 연결되어 있지 않습니다." answer ok
close 15
UI
# Entry 01 went, the unticked 03 and the never-reached 04 stay; 02 is gone only if the AP carried
# out the command it did not answer.
list=$(ap_list)
grep -q '0A 00 00 00 00 01' <<<"$list" && fail "ticked entry 01 is still listed"
grep -q '0A 00 00 00 00 03' <<<"$list" || fail "unticked entry 03 was deleted"
grep -q '0A 00 00 00 00 04' <<<"$list" || fail "entry 04 was deleted after the connection dropped"
expect_commands "w fff3 " "w fff1 0A 00 00 00 00 01" "w fff1 0A 00 00 00 00 02"
expect_boxes "Read Completed!!!	ok" "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?	yes" \
  "AP와 연결이 끊어 졌습니다.	ok" "AP에 연결되어 있지 않습니다.	ok"
