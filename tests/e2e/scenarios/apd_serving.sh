# orvane-apd next to a real hostapd holding 140 entries, with its default bounds: a peer outside --allow
# is closed unread and changes nothing; a client that floods list commands and never reads is dropped
# past max-unsent while the daemon's memory stays small; a silent client holds the port when the
# unmodified program connects, which takes over and completes its one button; the log names each peer.
hostapd_files=$work/hostapd
macs=()
for i in $(seq 1 140); do macs+=("$(printf '0a:00:00:00:%02x:%02x' $((i / 256)) $((i % 256)))"); done
sim_hostapd_files "$hostapd_files" 0 "${macs[@]}"
sim_start_hostapd "$hostapd_files" || { fail "hostapd did not start"; exit 1; }
sim_start_apd --allow 127.0.0.1/32 || { fail "orvane-apd did not start"; exit 1; }
acl_count() { hostapd_cmd ACCEPT_ACL SHOW | grep -c 'VLAN_ID='; }
apd_log() { grep -q -- "$1" "$work/apd.log" || fail "orvane-apd's log has no line with: $1"; }

# A peer outside --allow: its add is never read; it gets nothing but the close.
got=$(timeout 10 python3 - <<'PY'
import socket
s = socket.socket()
s.bind(("127.0.0.2", 0))
s.settimeout(5)
s.connect(("127.0.0.1", 4321))
s.sendall(b"w fff0 0a 0b 0c 0d 0e 0f\r")
try:
    print(repr(s.recv(100)))
except ConnectionResetError:  # closed with the add unread
    print("b''")
PY
)
[ "$got" = "b''" ] || fail "the peer outside --allow got [$got]"
apd_log "refused 127.0.0.2:[0-9]*: not in allow"
[ "$(acl_count)" = 140 ] || fail "hostapd's list changed after the refused peer"

# A client that sends list commands and never reads (a small receive buffer, so its replies pile up).
timeout 40 python3 - >"$work/flooder.out" 2>&1 <<'PY' &
import socket, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
s.connect(("127.0.0.1", 4321))
s.setblocking(False)
end = time.time() + 30
try:
    while time.time() < end:
        try:
            s.send(b"w fff3 \r" * 64)
        except BlockingIOError:
            time.sleep(0.05)
except OSError as e:
    print("dropped:", e)
PY
flooder_pid=$!
for _ in $(seq 1 300); do
  grep -q 'over max-unsent' "$work/apd.log" && break
  sleep 0.1
done
apd_log "closed 127.0.0.1:[0-9]*: [0-9]* bytes of replies unread, over max-unsent 65536"
apd_log "commands-per-second 20 reached"
rss=$(sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$apd_pid/status")
[ "${rss:-99999}" -lt 20000 ] || fail "orvane-apd's memory grew to $rss kB"
kill "$flooder_pid" 2>/dev/null
wait "$flooder_pid" 2>/dev/null

# A silent client holds the port, as a PC unplugged mid-session would.
timeout 60 python3 -c 'import socket, time; s = socket.create_connection(("127.0.0.1", 4321)); time.sleep(50)' &
silent_pid=$!
for _ in $(seq 1 100); do
  [ "$(grep -c 'connection from 127.0.0.1' "$work/apd.log")" -ge 2 ] && break
  sleep 0.05
done

start_vcisim --mac 001A2B3C4D5E
start_orvane linked
drive <<UI
click IDC_AUTO_SETTING
wait-text IDC_STATUS_AP "AP 연결" 15
expect-box "자동 설정 완료" answer ok timeout 60
close 15
UI
kill "$silent_pid" 2>/dev/null
wait "$silent_pid" 2>/dev/null
expect_boxes "자동 설정 완료	ok"
apd_log "closed 127.0.0.1:[0-9]*: taken over by 127.0.0.1:"
apd_log '127.0.0.1:[0-9]*: "w fff0 02 11 22 33 44 55" -> 701 (added 02 11 22 33 44 55; hostapd: OK)'
apd_log '127.0.0.1:[0-9]*: "w fff6 " -> applied; accept file: 142 entries, macaddr_acl=1'
[ "$(acl_count)" = 142 ] || fail "hostapd's list does not hold the PC's and the VCI's entries"
