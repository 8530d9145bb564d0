# The VCI stops taking data, its pipe holding nothing ahead as a USB device's does not: a VCI MAC read
# gives up its write after the bound and ends with the no-answer box instead of freezing the dialog, the
# dialog keeps answering clicks, the title shows the link lost, and it comes back when the VCI takes
# data again.
start_vcisim --mac 001A2B3C4D5E --write-buffer 0
start_orvane linked
vci stall-write >/dev/null
# "Test" is pressed while the read's first write waits. That write is given up after 1 s, the link
# drops and the read ends with the no-answer box, inside which the dialog answers again: Test's box
# comes too, in whichever order, and the title shows the lost link about two seconds after the stall.
drive <<UI
click IDC_READ_VCI_MAC_ADDRESS
sleep 300
click IDC_TEST
wait-title "$TITLE_NOT_CONNECTED" 2
expect-box * answer ok timeout 1
expect-box * answer ok timeout 1
expect-text IDC_STATUS_VCI "VCI 미연결"
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기"
click IDC_TEST
expect-box "GetCount = 0" answer ok timeout 1
UI
[ "$(cut -f2 "$work/boxes.tsv" | head -n 2 | sort | tr '\n' '|')" = "GetCount = 0|VCI에서 응답이 없습니다.|" ] ||
  fail "the first two boxes are not Test's and the no-answer box: $(cut -f2 "$work/boxes.tsv" | tr '\n' '|')"
vci stats | grep -q " enter=0 " || fail "the VCI took a request while it stalled"
vci "stall-write off" >/dev/null
drive <<UI
wait-title "$TITLE_CONNECTED" 5
click IDC_READ_VCI_MAC_ADDRESS
expect-box "Read Completed" answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기   001A2B3C4D5E"
close 15
UI
# The trace file is complete once the program has ended.
expect_trace "err=5b4"
[ "$(cut -f2 "$work/boxes.tsv" | tail -n 2 | tr '\n' '|')" = "GetCount = 0|Read Completed|" ] ||
  fail "boxes after the stall: $(cut -f2 "$work/boxes.tsv" | tr '\n' '|')"
