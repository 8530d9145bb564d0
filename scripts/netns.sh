#!/usr/bin/env bash
# Runs a command in a private network namespace: loopback up, and a veth interface wifi0
# with a known MAC address that plays the PC's wireless adapter. Nothing can leave it.
#   ORVANE_WIFI_MAC   the MAC of wifi0 (default 02:11:22:33:44:55)
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: netns.sh command [args...]" >&2; exit 2; }
mac=${ORVANE_WIFI_MAC:-02:11:22:33:44:55}
# shellcheck disable=SC2016 # the script is bash -c's, which expands it
exec unshare -n bash -c '
  set -e
  ip link set lo up
  ip link add wifi0 type veth peer name eth9
  ip link set wifi0 address "$0"
  ip link set eth9 up
  ip link set wifi0 up
  exec "$@"' "$mac" "$@"
