#!/usr/bin/env bash
# Times korvale --export of a long recording (20 own data files of 4 units x 88000 samples, given
# out of order) against bench/analysis_csv.py writing the same rows with Python's csv module, one
# run each, and checks that both wrote the same bytes.
# Usage: bench/export_vs_python.sh [path/to/korvale] (default: build/bench/bin/korvale)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
korvale=${1:-$here/../build/bench/bin/korvale}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The recording: each file starts where the previous one's last sample was (88000 s at 1 s).
/usr/bin/python3 - "$work" <<'PY'
import datetime, math, struct, sys
import numpy
def s(b): return struct.pack('<H', len(b)) + b
n = 88000
start = datetime.datetime(2026, 12, 8, 1, 2, 3)
k = numpy.arange(n)
for f in range(20):
    t = start + datetime.timedelta(seconds=n * f)
    text = '%d/%d/%d %d:%d:%d' % (t.year, t.month, t.day, t.hour, t.minute, t.second)
    head = s(text.encode()) + s('炉の昇温試験'.encode('cp932')) + s(b'') * 4
    head += struct.pack('<hihh4hi', -1, 1000, 0, 0, 4, 4, 4, 4, n)
    vals = numpy.stack([25.0 + 100.0 * i + 40.0 * numpy.sin((k + n * f) * 0.001 + i)
                        for i in range(4)], axis=1).astype(numpy.float32).astype('<f8')
    with open('%s/run-%02d.mx1' % (sys.argv[1], f), 'wb') as out:
        out.write(head + vals.tobytes())
PY
# Out of order: the export puts them in time order.
inputs=$(ls "$work"/run-*.mx1 | sort -r)

t0=$(date +%s%N)
# shellcheck disable=SC2086
env -u DISPLAY "$korvale" --export $inputs "$work/korvale.csv"
t1=$(date +%s%N)
version=$("$korvale" --version | cut -d' ' -f2)
# shellcheck disable=SC2086
/usr/bin/python3 "$here/analysis_csv.py" "$version" "$work/python.csv" $inputs
t2=$(date +%s%N)
k=$(((t1 - t0) / 1000000))
p=$(((t2 - t1) / 1000000))
cmp "$work/korvale.csv" "$work/python.csv" && echo "same CSV ($(stat -c %s "$work/korvale.csv") bytes)"
echo "korvale --export: $k ms   python csv: $p ms   python/korvale: $(awk "BEGIN{printf \"%.1f\", $p/$k}")"
