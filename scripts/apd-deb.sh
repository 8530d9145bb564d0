#!/usr/bin/env bash
# Builds the orvane-apd Debian package with dpkg-buildpackage from a copy of the sources it needs, so that
# nothing it makes lands in the checkout or beside it.
#   apd-deb.sh --out DIR --work DIR [--arch ARCH]
# ARCH (arm64, armhf) cross-builds with Debian's cross toolchain and runs the daemon's tests under
# qemu-user. DEB_BUILD_OPTIONS=nocheck skips the tests. The .deb lands in --out; the build's logs and
# its other outputs stay in --work.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="" work="" arch=""
while [ $# -gt 0 ]; do
  case $1 in
  --out) out=$2; shift 2 ;;
  --work) work=$2; shift 2 ;;
  --arch) arch=$2; shift 2 ;;
  *) echo "apd-deb.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -n "$out" ] && [ -n "$work" ] || { echo "usage: apd-deb.sh --out DIR --work DIR [--arch ARCH]" >&2; exit 2; }

version=$(sed -n '1s/^orvane-apd (\([^)]*\)).*/\1/p' "$root/debian/changelog")
src=$work/orvane-apd-$version
rm -rf "$work"
mkdir -p "$src/tests/native" "$out"
# The daemon alone: the root's CMake files (ORVANE_APD_ONLY), apd/, common/ (the wire), its tests, debian/.
cp -r "$root/CMakeLists.txt" "$root/cmake" "$root/apd" "$root/common" "$root/debian" "$src/"
cp -r "$root/tests/native/apd" "$src/tests/native/"

options=(-b -uc -us)
profiles=()
[[ " ${DEB_BUILD_OPTIONS:-} " == *" nocheck "* ]] && profiles+=(nocheck)
if [ -n "$arch" ] && [ "$arch" != "$(dpkg --print-architecture)" ]; then
  options+=(-a "$arch")
  profiles+=(cross)
fi
[ ${#profiles[@]} -eq 0 ] || options+=("-P$(IFS=,; echo "${profiles[*]}")")
log=$work/build.log
if ! (cd "$src" && dpkg-buildpackage "${options[@]}") >"$log" 2>&1; then
  tail -n 60 "$log" >&2
  echo "apd-deb.sh: dpkg-buildpackage failed; the whole log: $log" >&2
  exit 1
fi
deb=$(find "$work" -maxdepth 1 -name "orvane-apd_${version}_*.deb")
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
