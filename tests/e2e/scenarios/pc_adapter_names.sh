# The PC's adapter as Windows names today's laptop Wi-Fi: no keyword in "Wi-Fi" (the interface name
# Wine reports as the description), yet its MAC is found. With only wired adapters there is none, and
# the one button says so and shows the AP's list instead of registering anything.
# Wine reads the interfaces when its session starts: rename, then start a new one.
pc_adapter_name() {
  stop_sims
  { ip link set "$1" down && ip link set "$1" name "$2" && ip link set "$2" up; } || { fail "cannot rename $1"; exit 1; }
  sim_start_wineserver
}
pc_adapter_name wifi0 Wi-Fi
start_apsim --mac 0A:0B:0C:0D:0E:0F
start_vcisim --unplugged
start_orvane
drive <<'UI'
click IDC_READ_PC_MAC_ADDRESS
expect-box "Read Completed" answer ok timeout 15
expect-text IDC_READ_PC_MAC_ADDRESS "PC MAC Address  읽기   021122334455"
close 15
UI
pc_adapter_name Wi-Fi eth0
start_apsim --mac 0A:0B:0C:0D:0E:0F
start_vcisim --unplugged
start_orvane
drive <<'UI'
click IDC_AUTO_SETTING
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "PC와 VCI가 연결되지 않았습니다. USB 연결을 확인하여 주십시오." answer ok timeout 15
expect-box "PC MAC Address를 찾을 수 없습니다." answer ok timeout 15
expect-box "Read Completed!!!" answer ok timeout 15
expect-text IDC_READ_PC_MAC_ADDRESS "PC MAC Address  읽기"
sleep 1500
close 15
UI
expect_list "0A 0B 0C 0D 0E 0F"
expect_commands "w fff5 00" "w fff3 "
expect_boxes "Read Completed	ok" "PC와 VCI가 연결되지 않았습니다. USB 연결을 확인하여 주십시오.	ok" \
  "PC MAC Address를 찾을 수 없습니다.	ok" "Read Completed!!!	ok"
