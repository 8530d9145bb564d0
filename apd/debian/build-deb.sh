#!/usr/bin/env bash
# Builds the orvane-apd Debian package from the built daemon and the files beside this script.
#   build-deb.sh BINARY VERSION OUTPUT.deb
set -euo pipefail
binary=$1 version=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
apd=$(dirname "$here")
stage=$(mktemp -d "${out%.deb}.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT

install -D -m 0755 "$binary" "$stage/usr/sbin/orvane-apd"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$stage/usr/sbin/orvane-apd"
install -D -m 0644 "$apd/orvane-apd.service" "$stage/lib/systemd/system/orvane-apd.service"
install -D -m 0644 "$apd/orvane-apd.conf" "$stage/etc/orvane-apd.conf"
install -D -m 0644 "$apd/orvane-apd.8" "$stage/usr/share/man/man8/orvane-apd.8"
gzip -9n "$stage/usr/share/man/man8/orvane-apd.8"
install -D -m 0644 "$here/copyright" "$stage/usr/share/doc/orvane-apd/copyright"
sed "s/@VERSION@/$version/" "$here/changelog.in" >"$stage/usr/share/doc/orvane-apd/changelog"
gzip -9n "$stage/usr/share/doc/orvane-apd/changelog"

mkdir -p "$stage/DEBIAN"
install -m 0644 "$here/conffiles" "$stage/DEBIAN/conffiles"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
# The C and C++ runtimes the daemon links, at the versions of the system it was built on.
depends="libc6 (>= $(dpkg-query -W -f='${Version}' libc6 | sed 's/-.*//')), libgcc-s1, libstdc++6 (>= 12)"
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$(dpkg --print-architecture)/" -e "s/@SIZE@/$size/" \
  -e "s/@DEPENDS@/$depends/" "$here/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find . -type f ! -path './DEBIAN/*' -printf '%P\0' | sort -z | xargs -0 md5sum) \
  >"$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/md5sums"
find "$stage" -type d -exec chmod 0755 {} +
dpkg-deb --root-owner-group -Zxz --build "$stage" "$out" >/dev/null
