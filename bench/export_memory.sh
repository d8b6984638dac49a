#!/usr/bin/env bash
# The resident memory of korvale --export: 1000 small own data files (100 samples of 4 units at
# 1 s each, one recording in pieces) and 5 full ones (88000 samples each), given out of order.
# Prints the maximum resident set size and the time of each run (GNU time) and the output's size;
# with a second program (an older build) it runs that too and checks that both wrote the same
# bytes.
# Usage: bench/export_memory.sh [path/to/korvale [path/to/other/korvale]]
#        (default: build/bench/bin/korvale)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
korvale=${1:-$here/../build/bench/bin/korvale}
other=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work" <<'PY'
import datetime, os, struct, sys
import numpy
def s(b): return struct.pack('<H', len(b)) + b
def write(path, start, first, n):
    text = '%d/%d/%d %d:%d:%d' % (start.year, start.month, start.day, start.hour, start.minute,
                                  start.second)
    head = s(text.encode()) + s('炉の昇温試験'.encode('cp932')) + s(b'') * 4
    head += struct.pack('<hihh4hi', -1, 1000, 0, 0, 4, 4, 4, 4, n)
    k = numpy.arange(first, first + n)
    vals = numpy.stack([25.0 + 100.0 * i + 40.0 * numpy.sin(k * 0.001 + i) for i in range(4)],
                       axis=1).astype(numpy.float32).astype('<f8')
    with open(path, 'wb') as out:
        out.write(head + vals.tobytes())
start = datetime.datetime(2026, 12, 8, 1, 2, 3)
os.mkdir(sys.argv[1] + '/small')
os.mkdir(sys.argv[1] + '/full')
for f in range(1000):
    write('%s/small/run-%04d.mx1' % (sys.argv[1], f), start + datetime.timedelta(seconds=100 * f),
          100 * f, 100)
for f in range(5):
    n = 88000
    write('%s/full/run-%02d.mx1' % (sys.argv[1], f), start + datetime.timedelta(seconds=n * f),
          n * f, n)
PY

# Runs program on the inputs of set into out; prints its resident set size and time.
measure() {
  local program=$1 set=$2 out=$3
  # shellcheck disable=SC2046
  env -u DISPLAY /usr/bin/time -f '%M %e' -o "$work/rss" "$program" --export \
    $(ls "$work/$set"/*.mx1 | sort -r) "$out"
  read -r kb seconds <"$work/rss"
  echo "$set: $((kb / 1024)) MB resident, $seconds s, $(($(stat -c %s "$out") / 1048576)) MB written"
}

for set in small full; do
  echo "== $korvale"
  measure "$korvale" "$set" "$work/$set.csv"
  if [ -n "$other" ]; then
    echo "== $other"
    measure "$other" "$set" "$work/$set-other.csv"
    cmp "$work/$set.csv" "$work/$set-other.csv" && echo "$set: same bytes"
  fi
done
