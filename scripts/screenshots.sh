#!/usr/bin/env bash
# Takes the documentation's pictures and writes them to docs/: the main window measuring the four
# demonstration units in each horizontal display mode (automatic scroll at 10 ms after a minute),
# after a failed first reading and with a second, shorter record set, zoomed in with the two
# cursors and their readout, the save window, the printed page, the data list, the settings
# dialog, alarms raised with their list and their settings, and a marked run with named channels
# and the statistics between the cursors. They are drawn on the offscreen
# platform by tools/korvale_shots, which builds the windows with the program's classes and drives
# the units' clock by hand.
# Afterwards the program itself is started on a virtual X display for a few seconds to check that
# it comes up.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build/shots -DCMAKE_BUILD_TYPE=Release -DKORVALE_BUILD_TESTS=OFF \
  -DKORVALE_BUILD_BENCH=OFF
cmake --build build/shots -j"$(nproc)" --target korvale korvale_shots mdxdrv

export USBKIT_SIMULATE=demo
QT_QPA_PLATFORM=offscreen build/shots/bin/korvale_shots docs
# The printed page of the first measurement, drawn from its PDF at 80 dots per inch: the whole A4
# sheet at about 935 x 660 dots, its texts still readable.
pdftoppm -r 80 -png -singlefile docs/print-page.pdf docs/screenshot-print
rm -f docs/print-page.pdf

if command -v xvfb-run >/dev/null; then
  rc=0
  xvfb-run -a -s "-screen 0 1280x1024x24" timeout 5 build/shots/bin/korvale || rc=$?
  # 124: still running when the time was up, as it should be.
  if [ "$rc" != 124 ]; then
    echo "korvale did not stay up under Xvfb (exit status $rc)" >&2
    exit 1
  fi
  echo "korvale started under Xvfb"
fi
