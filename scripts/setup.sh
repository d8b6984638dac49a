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
  libmosquitto-dev mosquitto mosquitto-clients influxdb influxdb-client
  qt6-httpserver-dev qt6-websockets-dev chromium prometheus
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update
  # The broker, the database and the monitoring server are installed for the tests, which start
  # them on loopback ports of their own: their packages must not start system services that
  # listen on every interface. Debian's service scripts ask policy-rc.d first.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo_cmd tee "$policy" >/dev/null
    $sudo_cmd chmod 755 "$policy"
    trap '$sudo_cmd rm -f "$policy"' EXIT
  fi
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The web page's chart library and its browser test's driver (no browser download: the test drives
# Debian's chromium), installed from the committed lock file. Node and npm come with the machine;
# Debian's are installed only where there are none.
web="$(cd "$(dirname "$0")/.." && pwd)/web"
if [ -f "$web/package-lock.json" ]; then
  if ! command -v npm >/dev/null; then
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends nodejs npm
  fi
  npm ci --prefix "$web" --no-audit --no-fund --loglevel=error
fi
