#!/usr/bin/env bash
# Installs the .deb on a fresh Debian 12 (a minimal debootstrap in a scratch
# folder, as root) and starts Glossa Desk there from its menu entry's command
# line, on a copy of the demo product, under Xvfb. Passes when man finds its
# page, and the program started, kept running and brought the demo's index into line.
# Usage (root): packaging/check-fresh-install.sh build-release/glossa-desk_*.deb [chroot-dir]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deb="$(realpath "$1")"
fresh="${2:-$(mktemp -d /tmp/glossa-fresh.XXXXXX)}"
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
[ -x "$fresh/bin/bash" ] || debootstrap --variant=minbase bookworm "$fresh" http://deb.debian.org/debian >/dev/null
cp "$deb" "$fresh/tmp/glossa-desk.deb"
rm -rf "$fresh/tmp/product" && cp -r "$root/examples/demo-product" "$fresh/tmp/product"
cp /etc/resolv.conf "$fresh/etc/resolv.conf"
chroot "$fresh" /bin/bash -c '
  set -e
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/glossa-desk.deb xvfb xauth man-db >/dev/null
  man glossa-desk | grep -q "translation editor" || { echo "man glossa-desk finds no page"; exit 1; }
  command=$(sed -n "s/^Exec=//p" /usr/share/applications/glossa-desk.desktop | sed "s|%f|/tmp/product|")
  echo "menu entry runs: $command"
  status=0
  timeout 8 xvfb-run -a $command || status=$?
  [ "$status" -eq 124 ] || { echo "glossa-desk ended early ($status)"; exit 1; }
  test -f "/tmp/product/language/Japanese (Japan).ini"
  echo "installed, started from the menu entry and synchronised the demo product"
'
