#!/usr/bin/env bash
# Draws the documentation's picture of a printed page (docs/screenshot-print.png, or the path
# given): the page of "印刷" for a full record set of four units, written as a PDF by the print
# benchmark (bench_app_print --keep, the same code as "korvale --convert IN.mx1 OUT.pdf") and
# drawn as an image with pdftoppm. Needs no display. scripts/screenshots.sh can call it after its
# own pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot-print.png}

cmake -S . -B build/shots -DCMAKE_BUILD_TYPE=Release -DKORVALE_BUILD_TESTS=OFF \
  -DKORVALE_BUILD_BENCH=ON >/dev/null
cmake --build build/shots -j"$(nproc)" --target bench_app_print

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen build/shots/bin/bench_app_print --keep "$work/page.pdf"
# 80 dots per inch: the whole A4 sheet at about 935 x 660 dots, texts still readable.
pdftoppm -r 80 -png -singlefile "$work/page.pdf" "$work/page"
cp "$work/page.png" "$out"
echo "wrote $out"
