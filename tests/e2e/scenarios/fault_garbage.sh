# Oversized and garbage replies from both devices: a list that fills whole 3000-byte reads, a reply
# that looks like a format string, a VCI frame with a bad checksum (no reply: the read fails and leaves
# no MAC) and a flood of unsolicited messages (none taken for a reply); the program reads
# what is valid, shows the rest as data and keeps working.
macs=()
for i in $(seq 1 130); do macs+=(--mac "$(printf '0A:00:00:00:%02X:%02X' $((i / 256)) $((i % 256)))"); done
start_apsim "${macs[@]}" --capacity 200
ap "pad-full on" >/dev/null
start_vcisim --mac 001A2B3C4D5E
start_orvane listed 20
drive <<UI
click IDC_READ_VCI_MAC_ADDRESS
expect-box "Read Completed" answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기   001A2B3C4D5E"
UI

ap "pad-full off" >/dev/null
ap 'garbage 1 %s%n%x%s' >/dev/null
vci "badsum 1" >/dev/null
vci "flood 20000 600" >/dev/null
drive <<'UI'
click IDC_ADD_MAC_TO_AP
expect-box "Mac 등록 에러인데 멀까? : %s%n%x%s" answer ok timeout 15
click IDC_READ_VCI_MAC_ADDRESS
expect-box "VCI에서 응답이 없습니다." answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기"
click IDC_READ_VCI_MAC_ADDRESS
expect-box "Read Completed" answer ok timeout 20
expect-text IDC_READ_VCI_MAC_ADDRESS "VCI MAC Address 읽기   001A2B3C4D5E"
expect-text IDC_STATUS_VCI "VCI 연결"
expect-text IDC_STATUS_AP "AP 연결"
close 15
UI
expect_trace 'COrvaneDlg::OnReceiveTCP : %s%n%x%s'
# The trace is complete once the program has ended: every entry of the full reads was listed.
listed=$(grep -acE 'OutputDebugStringA "0A 00 00 00 0[01] [0-9A-F]{2}' "$ORVANE_TRACE")
[ "$listed" -eq 130 ] || fail "the check-list got $listed of 130 entries from full reads"
# The debugger output of a Korean PC: the checksum trace in code page 949 ("수신데이터 CheckSum 틀림 : "),
# as Wine prints each byte above 0x7F.
expect_trace 'Hox2534DLL -> \xbc\xf6\xbd\xc5\xb5\xa5\xc0\xcc\xc5\xcd CheckSum \xc6\xb2\xb8\xb2 : '
