#!/usr/bin/env bash
# Sets everything up, builds the program and runs it. Without an MDX-4A unit on the USB bus the
# program runs on four simulated units.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKORVALE_BUILD_TESTS=OFF \
  -DKORVALE_BUILD_BENCH=OFF
cmake --build build/release -j"$(nproc)" --target korvale mdxdrv

unit_present=0
for v in /sys/bus/usb/devices/*/idVendor; do
  [ -e "$v" ] || continue
  d=$(dirname "$v")
  if [ "$(cat "$v")" = "0ba0" ] && [ "$(cat "$d/idProduct" 2>/dev/null)" = "000f" ]; then
    unit_present=1
  fi
done
if [ "$unit_present" = 0 ] && [ -z "${USBKIT_SIMULATE:-}" ]; then
  export USBKIT_SIMULATE=demo
fi
exec build/release/bin/korvale "$@"
