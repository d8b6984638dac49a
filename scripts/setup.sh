#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz, package, run and take
# screenshots.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libqcustomplot-dev
  libusb-1.0-0-dev
  umockdev libumockdev-dev
  fonts-ipafont-gothic fonts-ipafont-mincho poppler-utils
  xvfb xauth x11-apps imagemagick
  dpkg-dev lintian appstream systemd
  clang libclang-rt-14-dev
  python3-numpy python3-pandas python3-pytest
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
