# Connecting while the AP is down offers Retry; once the AP is up, Retry connects.
start_vcisim
start_orvane
drive <<'UI'
click IDC_CONNECT_AP
expect-box "AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오." caption "AP MAC Setting" answer retry timeout 15
UI
start_apsim --mac 0A:0B:0C:0D:0E:0F
drive <<'UI'
expect-box "AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오." answer retry timeout 15 optional
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "Read Completed!!!" answer ok timeout 15
click IDC_TEST
expect-box "GetCount = 1" answer ok
expect-box "GetCheck(0) = 0" answer ok
close 15
UI
expect_commands "w fff3 "
