#!/usr/bin/env bash
# Builds orvane-apd's packages for the boards that serve as access points (arm64 and armhf, or those
# named) with Debian's cross toolchains, runs the daemon's own tests on each architecture under
# qemu-user during the build, and checks each package with lintian. The packages land in build/cross/.
#   scripts/cross-apd.sh [ARCH...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --cross
archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(arm64 armhf)
out=$PWD/build/cross
for arch in "${archs[@]}"; do
  echo "== orvane-apd for $arch (its tests under qemu-user; log: build/cross/$arch/build.log)"
  start=$SECONDS
  deb=$(scripts/apd-deb.sh --arch "$arch" --out "$out" --work "$out/$arch")
  grep -E '^(100% tests passed|[0-9]+% tests passed)' "$out/$arch/build.log" || true
  tags=$(lintian --allow-root "$deb" 2>&1 | grep '^[EW]:' || true)
  [ -z "$tags" ] || { echo "$tags"; echo "cross-apd.sh: lintian found errors or warnings in $deb" >&2; exit 1; }
  echo "$deb: lintian clean, $((SECONDS - start)) s"
done
