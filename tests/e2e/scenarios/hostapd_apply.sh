# The AP side kept by a real hostapd (driver=none, its files under this scenario's folder): the one
# button leaves the earlier entries plus the PC's and the VCI's in hostapd's accept list, "apply" writes
# them and the filter mode to hostapd's files, hostapd restarted from them has lost nothing, and
# "delete all" then "MAC Filter 설정" leave the list and the file empty.
hostapd_files=$work/hostapd
# Filtering off at first, so that only an apply can have switched it on in the file.
# One entry with tagged VLANs, which hostapd's list answer does not show: "apply" keeps its line.
sim_hostapd_files "$hostapd_files" 0 "0a:0b:0c:0d:0e:0f 1+2t" 0a:00:00:00:00:01
sim_start_hostapd "$hostapd_files" || { fail "hostapd did not start"; exit 1; }
start_apsim --hostapd "$hostapd_ctrl/wlan0" --accept-file "$hostapd_files/accept" \
  --config "$hostapd_files/hostapd.conf"
start_vcisim --mac 001A2B3C4D5E
start_orvane linked

# hostapd's accept list, one MAC per line, in its order.
hostapd_list() { hostapd_cmd ACCEPT_ACL SHOW | sed -n 's/^\([0-9a-f:]\{17\}\) VLAN_ID=.*/\1/p'; }
# The MACs in the accept file, comments and blank lines left out, sorted as hostapd lists them.
accept_file() { sed -n 's/^\([0-9a-f:]\{17\}\).*/\1/p' "$hostapd_files/accept" | sort; }
filter_setting() { sed -n 's/^macaddr_acl=//p' "$hostapd_files/hostapd.conf"; }
expect_same() { # what, wanted, got
  [ "$2" = "$3" ] || fail "$1 is [${3//$'\n'/ }], expected [${2//$'\n'/ }]"
}

all4=$(printf '%s\n' 00:1a:2b:3c:4d:5e 02:11:22:33:44:55 0a:00:00:00:00:01 0a:0b:0c:0d:0e:0f)
drive <<UI
click IDC_AUTO_SETTING
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "자동 설정 완료" answer ok timeout 40
expect-check IDC_FILTER_ENABLE 1
UI
expect_same "hostapd's list" "$all4" "$(hostapd_list)"
expect_same "the accept file" "$all4" "$(accept_file)"
expect_same "macaddr_acl in hostapd.conf" 1 "$(filter_setting)"
grep -qx '0a:0b:0c:0d:0e:0f 1+2t' "$hostapd_files/accept" || fail "apply lost the tagged VLANs"

# hostapd restarted from its files: nothing lost, filtering on from its configuration.
sim_stop_hostapd
sim_start_hostapd "$hostapd_files" || fail "hostapd did not start again"
expect_same "hostapd's list after its restart" "$all4" "$(hostapd_list)"
grep -qx 'macaddr_acl=1' "$hostapd_files/hostapd.conf" || fail "hostapd restarted without filtering on"

# The program is still connected to apsim, which reaches the restarted hostapd.
drive <<'UI'
click IDC_DELETE_ALL_MAC
expect-box "모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?" caption "AP MAC Setting" answer yes
expect-box "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?" caption "AP MAC Setting" answer yes
expect-box "Mac 삭제 완료3" answer ok timeout 30
expect-box "Read Completed!!!" answer ok timeout 15
click IDC_MAC_FILTER_SETTING
expect-box "설정 완료" answer ok timeout 15
close 15
UI
expect_same "hostapd's list after delete all" "" "$(hostapd_list)"
expect_same "the accept file after delete all" "" "$(accept_file)"
expect_same "macaddr_acl in hostapd.conf after delete all" 1 "$(filter_setting)"

expect_commands "w fff5 00" "w fff0 00 1a 2b 3c 4d 5e" "w fff0 02 11 22 33 44 55" "w fff3 " "w fff6 " \
  "w fff1 00 1A 2B 3C 4D 5E" "w fff1 02 11 22 33 44 55" "w fff1 0A 00 00 00 00 01" "w fff1 0A 0B 0C 0D 0E 0F" \
  "w fff3 " "w fff5 00" "w fff6 "
if grep -q ' -> 200\| -> not applied' "$work/apsim.log"; then fail "apsim refused a command"; fi
expect_boxes "자동 설정 완료	ok" "모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?	yes" \
  "선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?	yes" "Mac 삭제 완료3	ok" "Read Completed!!!	ok" \
  "설정 완료	ok"
