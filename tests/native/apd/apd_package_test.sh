#!/usr/bin/env bash
# The orvane-apd package: lintian finds no error or warning; it unpacks into a throw-away root with its
# configuration as a conffile, its maintainer scripts enable and start the service on install and stop it
# on removal, its unit verifies and scores 2.0 or less there; the installed daemon explains every option,
# and next to a real hostapd, under the unit's capabilities and umask, it serves, applies without
# rewriting what did not change, reloads on SIGHUP, speaks the notify protocol, and makes only system
# calls and sockets the unit allows.
#   apd_package_test.sh PACKAGE.deb
set -uo pipefail
deb=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }
for tool in lintian systemd-analyze dpkg; do
  command -v "$tool" >/dev/null || { echo "skipped: no $tool (scripts/setup.sh installs it)"; exit 77; }
done

tags=$(lintian --allow-root "$deb" 2>&1 | grep '^[EW]:')
[ -z "$tags" ] || fail "lintian: $tags"

root=$(mktemp -d /tmp/orvane-XXXXXX)
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
# Unpacked only: configuring would run the maintainer scripts inside the root, which has no shell.
dpkg --root="$root" --force-depends --force-not-root --unpack "$deb" >"$root/dpkg.log" 2>&1 ||
  fail "dpkg did not unpack it: $(cat "$root/dpkg.log")"
dpkg --root="$root" -s orvane-apd | grep -q '^ /etc/orvane-apd.conf ' || fail "/etc/orvane-apd.conf is not a conffile"
mv "$root/etc/orvane-apd.conf.dpkg-new" "$root/etc/orvane-apd.conf" # as configuring would

# The maintainer scripts as dpkg runs them, on a system that runs systemd (a /run of their own) and with
# its helpers recording what they were asked to do.
if [ "$(id -u)" = 0 ]; then
  stubs=$root/stubs calls=$root/calls
  mkdir -p "$stubs"
  for helper in deb-systemd-helper deb-systemd-invoke systemctl; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$helper" "$calls" >"$stubs/$helper"
    chmod +x "$stubs/$helper"
  done
  script() {
    : >"$calls"
    PATH=$stubs:$PATH unshare -m sh -c 'mount -t tmpfs tmpfs /run && mkdir -p /run/systemd/system && sh "$@"' \
      sh "$root/var/lib/dpkg/info/orvane-apd.$1" "${@:2}" || fail "orvane-apd.$1 $* failed"
  }
  script postinst configure
  grep -qx 'deb-systemd-helper enable orvane-apd.service' "$calls" &&
    grep -qx 'deb-systemd-invoke start orvane-apd.service' "$calls" ||
    fail "installing did not enable and start the service: $(cat "$calls")"
  script prerm remove
  grep -qx 'deb-systemd-invoke stop orvane-apd.service' "$calls" || fail "removing did not stop it: $(cat "$calls")"
  script postrm purge
  grep -qx 'deb-systemd-helper purge orvane-apd.service' "$calls" || fail "purging left its links: $(cat "$calls")"
fi

# The unit against the system's own targets, inside the throw-away root; any remark is a failure.
mkdir -p "$root/lib/systemd/system" "$root/bin"
cp /bin/kill "$root/bin/" # ExecReload's
cp -n /lib/systemd/system/*.target /lib/systemd/system/*.slice "$root/lib/systemd/system/" 2>/dev/null
remarks=$(systemd-analyze verify --man=no --root="$root" orvane-apd.service 2>&1) || fail "systemd-analyze failed"
[ -z "$remarks" ] || fail "systemd-analyze: $remarks"
score=$(systemd-analyze security --offline=true --root="$root" orvane-apd.service 2>&1 |
  sed -n 's/.*Overall exposure level for orvane-apd.service: \([0-9.]*\).*/\1/p')
awk -v s="${score:-99}" 'BEGIN { exit !(s <= 2.0) }' || fail "the unit's exposure is ${score:-unknown}, over 2.0"

apd=$root/usr/sbin/orvane-apd
help=$("$apd" --help)
for option in --config --listen --port --allow --hostapd --accept-file --hostapd-conf --idle-timeout \
  --max-unsent --commands-per-second --log-level --help --version; do
  grep -q -- "$option\([ ,]\|$\)" <<<"$help" || fail "--help does not explain $option"
done
"$apd" --version | grep -q '^orvane-apd [0-9]' || fail "--version names no version"
# The shipped configuration file is read as it is (the start then fails on the hostapd files absent here,
# logged in the journal's form as systemd runs it).
out=$(JOURNAL_STREAM=8:1 "$apd" --config "$root/etc/orvane-apd.conf" --allow 127.0.0.1 --hostapd-conf "$root/absent" 2>&1)
[ $? = 1 ] || fail "the shipped configuration file was not taken: $out"
grep -q "^<3>$root/absent: No such file" <<<"$out" || fail "not in the journal's form: $out"
out=$("$apd" --config /dev/null --hostapd "/$(printf 'x%.0s' $(seq 1 120))" 2>&1)
[ $? = 2 ] && grep -q "a UNIX socket's path holds at most 107" <<<"$out" ||
  fail "a control socket path too long was not refused clearly: $out"

run_daemon() {
  for tool in hostapd strace setpriv python3; do
    command -v "$tool" >/dev/null || { echo "not run: no $tool"; return; }
  done
  [ "$(id -u)" = 0 ] || { echo "not run: hostapd needs root"; return; }
  # shellcheck source=scripts/sims.sh
  . "$(dirname "$0")/../../../scripts/sims.sh"
  local dir=$root/ap
  sim_hostapd_files "$dir" 0 0a:00:00:00:00:01
  sim_start_hostapd "$dir" || { fail "hostapd did not start"; return; }
  printf '%s\n' listen=127.0.0.1 port=0 allow=127.0.0.1/32 "hostapd=$hostapd_ctrl/wlan0" \
    "accept-file=$dir/accept" "hostapd-conf=$dir/hostapd.conf" >"$dir/apd.conf"
  mkdir -m 0750 "$dir/run"
  python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); s.bind(sys.argv[1]); s.settimeout(30)
with open(sys.argv[2], "a") as out:
    while True:
        out.write(s.recv(4096).decode() + "\n---\n"); out.flush()' "$dir/notify" "$dir/notified" &
  local listener=$!
  wait_up "$listener" 200 test -S "$dir/notify"
  # As the unit runs it: its capability bound, no new privileges, its umask and runtime folder.
  (umask 0077 && TMPDIR=$dir/run NOTIFY_SOCKET=$dir/notify WATCHDOG_USEC=400000 exec setpriv --no-new-privs \
    --bounding-set=-all,+chown strace -f -qq -o "$dir/trace" "$apd" --config "$dir/apd.conf") 2>"$dir/apd.log" &
  local daemon=$! tracer=$!
  wait_up "$tracer" 200 grep -q 'READY=1' "$dir/notified"
  daemon=$(ps --ppid "$tracer" -o pid= | tr -d ' ') # strace's child
  local port
  port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\) .*/\1/p' "$dir/apd.log")
  ask() { # COMMAND ANSWER-BYTES: the answer to one command on a connection of its own
    exec 3<>"/dev/tcp/127.0.0.1/$port" && printf '%s\r' "$1" >&3 && { [ "$2" = 0 ] || read -r -t 5 -N "$2" got <&3; }
    exec 3>&-
    echo "${got:-}"
  }
  [ "$(ask 'w fff0 02 11 22 33 44 55' 3)" = 701 ] || fail "add was not accepted: $(cat "$dir/apd.log")"
  [ "$(ask 'w fff5 00' 13)" = "701 filter on" ] || fail "filter on was not accepted"
  ask 'w fff6 ' 0 >/dev/null
  wait_up "$daemon" 100 grep -q '"w fff6 " -> applied; accept file: 2 entries, macaddr_acl=1' "$dir/apd.log" ||
    fail "apply did not write both files: $(cat "$dir/apd.log")"
  local before after
  before=$(stat -c '%i %Y.%y' "$dir/accept" "$dir/hostapd.conf")
  sleep 0.1
  ask 'w fff6 ' 0 >/dev/null
  # Reloaded with log-level debug: the apply that changed nothing, below the level before, shows now.
  echo log-level=debug >>"$dir/apd.conf"
  kill -HUP "$daemon"
  wait_up "$daemon" 100 grep -q 'reloaded: serving 127.0.0.1/32;.*log-level debug' "$dir/apd.log" ||
    fail "SIGHUP did not reload: $(cat "$dir/apd.log")"
  ask 'w fff6 ' 0 >/dev/null
  wait_up "$daemon" 100 grep -q 'applied; nothing changed, no file written' "$dir/apd.log" ||
    fail "the unchanged apply is not logged at debug: $(cat "$dir/apd.log")"
  after=$(stat -c '%i %Y.%y' "$dir/accept" "$dir/hostapd.conf")
  [ "$before" = "$after" ] || fail "an apply with no change touched the files: $before / $after"
  kill -TERM "$daemon"
  wait "$tracer" || fail "orvane-apd did not end cleanly on SIGTERM: $(cat "$dir/apd.log")"
  kill "$listener" 2>/dev/null
  wait "$listener" 2>/dev/null
  sim_stop_hostapd
  tr '\n' ' ' <"$dir/notified" | grep -q 'READY=1.*WATCHDOG=1.*RELOADING=1.*READY=1.*STOPPING=1' ||
    fail "notify messages: $(cat "$dir/notified")"

  # Every system call it made is in the unit's SystemCallFilter, every socket in RestrictAddressFamilies.
  expand() { # the system calls of a group, its nested groups included
    systemd-analyze syscall-filter "$1" | sed -n '2,/^$/p' | sed 's/^ *//; /^#/d; /^$/d' | while read -r name; do
      case $name in @*) expand "$name" ;; *) echo "$name" ;; esac
    done
  }
  local allowed used
  allowed=$( (expand @system-service | grep -vxF -f <(expand @privileged; expand @resources); expand @chown) | sort -u)
  used=$(sed -nE 's/^[0-9]+ +([a-z0-9_]+)\(.*/\1/p' "$dir/trace" | sort -u)
  local outside
  outside=$(comm -23 <(echo "$used") <(echo "$allowed"))
  [ -n "$used" ] && [ -z "$outside" ] || fail "system calls outside the unit's filter: ${outside:-none traced}"
  outside=$(grep -o 'socket(AF_[A-Z0-9]*' "$dir/trace" | sort -u | grep -vE 'AF_(INET|UNIX|NETLINK)$')
  [ -z "$outside" ] || fail "sockets outside RestrictAddressFamilies: $outside"
}
run_daemon
rm -rf "$root"
exit $failed
