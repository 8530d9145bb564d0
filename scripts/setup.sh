#!/usr/bin/env bash
# Installs every Debian package the project needs; quick when they are all there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 xvfb xauth x11-utils openbox xdotool locales fonts-nanum fonts-dejavu-core fonts-wine
  imagemagick iproute2 python3 osslsigncode openssl hostapd lintian systemd strace
  debhelper dpkg-dev
)

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

# --cross (scripts/cross-apd.sh): orvane-apd's packages for arm64 and armhf, with the cross toolchains,
# qemu-user for the daemon's tests, and the boards' runtimes from which dpkg-shlibdeps computes Depends.
# The test suite does without them.
if [ "${1:-}" = --cross ]; then
  packages+=(crossbuild-essential-arm64 crossbuild-essential-armhf qemu-user
    libc6:arm64 libstdc++6:arm64 libgcc-s1:arm64 libc6:armhf libstdc++6:armhf libgcc-s1:armhf)
  for arch in arm64 armhf; do
    dpkg --print-foreign-architectures | grep -qx "$arch" || $sudo_cmd dpkg --add-architecture "$arch"
  done
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page from this locale: the program runs as on a Korean Windows (949).
if ! locale -a 2>/dev/null | grep -qix 'ko_KR\.utf-\?8'; then
  echo "setup: generating the locale ko_KR.UTF-8"
  $sudo_cmd localedef -i ko_KR -f UTF-8 ko_KR.UTF-8
fi
