#!/usr/bin/env bash
# Times korvale --convert of a full record set (4 units x 88000 samples) to CSV, as a whole
# process, against bench/csv_export.py doing the same, and checks that both wrote the same bytes.
# Usage: bench/convert_vs_python.sh [path/to/korvale] (default: build/bench/bin/korvale)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
korvale=${1:-$here/../build/bench/bin/korvale}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The input: a full own data file with four used units.
python3 - "$work/full.mx1" <<'PY'
import math, struct, sys
def s(b): return struct.pack('<H', len(b)) + b
n = 88000
head = s(b'2026/12/8 1:2:3') + s('炉の昇温試験'.encode('cp932')) + s(b'') * 4
head += struct.pack('<hihh4hi', 0, 1000, 0, 0, 4, 4, 4, 4, n)
vals = [25.0 + 100.0 * i + 40.0 * math.sin(k * 0.001 + i) for k in range(n) for i in range(4)]
vals = struct.unpack('<%df' % len(vals), struct.pack('<%df' % len(vals), *vals))
open(sys.argv[1], 'wb').write(head + struct.pack('<%dd' % len(vals), *vals))
PY

best() {  # best wall time in ms of five runs of the command
  local best=999999
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    local ms=$(((t1 - t0) / 1000000))
    ((ms < best)) && best=$ms
  done
  echo "$best"
}

k=$(best env -u DISPLAY "$korvale" --convert "$work/full.mx1" "$work/korvale.csv")
p=$(best python3 "$here/csv_export.py" "$work/full.mx1" "$work/python.csv")
cmp "$work/korvale.csv" "$work/python.csv" && echo "same CSV ($(stat -c %s "$work/korvale.csv") bytes)"
echo "korvale --convert: $k ms   python: $p ms   ratio: $(awk "BEGIN{printf \"%.2f\", $k/$p}")"
