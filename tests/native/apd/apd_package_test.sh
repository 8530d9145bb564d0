#!/usr/bin/env bash
# The orvane-apd package: lintian finds no error, it installs into a throw-away root with its
# configuration as a conffile, its unit verifies there, and the installed daemon explains every option
# and refuses a control socket path a UNIX socket cannot hold.
#   apd_package_test.sh PACKAGE.deb
set -uo pipefail
deb=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }
for tool in lintian systemd-analyze dpkg; do
  command -v "$tool" >/dev/null || { echo "skipped: no $tool (scripts/setup.sh installs it)"; exit 77; }
done

errors=$(lintian --allow-root "$deb" 2>&1 | grep '^E:')
[ -z "$errors" ] || fail "lintian: $errors"

root=$(mktemp -d /tmp/orvane-XXXXXX)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
# The throw-away root has no libraries: the dependencies are the real system's business.
dpkg --root="$root" --force-depends --force-not-root -i "$deb" >"$root/dpkg.log" 2>&1 ||
  fail "dpkg did not install it: $(cat "$root/dpkg.log")"
dpkg --root="$root" -s orvane-apd | grep -q '^ /etc/orvane-apd.conf [0-9a-f]\{32\}$' ||
  fail "/etc/orvane-apd.conf is not a conffile"

# The unit against the system's own targets, inside the throw-away root; any remark is a failure.
mkdir -p "$root/lib/systemd/system"
cp -n /lib/systemd/system/*.target /lib/systemd/system/*.slice "$root/lib/systemd/system/" 2>/dev/null
remarks=$(systemd-analyze verify --man=no --root="$root" orvane-apd.service 2>&1) || fail "systemd-analyze failed"
[ -z "$remarks" ] || fail "systemd-analyze: $remarks"

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
exit $failed
