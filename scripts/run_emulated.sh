#!/usr/bin/env bash
# Runs the program with four emulated units on its USB bus, so that it measures through the
# toolkit's libusb back end without hardware: umockdev stands in for the bus, and the toolkit's
# unit model answers the units' commands (unit IDs 0 to 3, both models, type K thermocouples
# at slowly drifting temperatures: choose K in the settings). Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build/emulated -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_BUILD_LIBUSB=ON \
  -DKORVALE_BUILD_TESTS=ON -DKORVALE_BUILD_BENCH=OFF
cmake --build build/emulated -j"$(nproc)" --target korvale mdxdrv emulated_units

unset USBKIT_SIMULATE
exec build/emulated/bin/emulated_units -- build/emulated/bin/korvale "$@"
