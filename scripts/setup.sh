#!/usr/bin/env bash
# Installs the Debian packages Glossa Desk needs to build, test and run.
# Does nothing when they are all present; uses sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxml2-dev libssl-dev
  fonts-wqy-microhei
  xvfb xauth x11-apps x11-utils imagemagick
  clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev lintian bash-completion man-db
  translate-toolkit libxml2-utils
  libicu-dev libhunspell-dev hunspell-en-us hunspell-de-de hunspell-fr
  libstemmer-dev
  chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
