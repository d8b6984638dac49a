"""``python3 -m korvale FILE...``: each own data file's header, units, sample count, time span,
marks and alarm count. Exit status 0; 1 when a file could not be read; 4 when one was cut short
(its complete samples are described)."""

import sys
import warnings

from . import KorvaleError, TruncatedWarning, read_arrays
from .frame import moment


def _iso(moment):
    return moment.isoformat(timespec="milliseconds")


def describe(path, out):
    columns, info = read_arrays(path)
    out.write(f"{path}\n")
    out.write(f"  start: {_iso(info['start'])} ({info['start_text']})\n")
    out.write(
        f"  interval_s: {info['interval_s']:g}  sampling: {info['sampling']}"
        f"  averaging: {'on' if info['averaging'] else 'off'}  measurement: {info['measurement']}\n"
    )
    for unit, about in info["units"].items():
        name = f", {about['name']}" if about["name"] else ""
        out.write(f"  {unit}: {about['type']}{name}\n")
    for i, memo in enumerate(info["memo"], 1):
        if memo:
            out.write(f"  memo{i}: {' '.join(memo.splitlines())}\n")
    samples = info["samples"]
    span = ""
    if samples:
        times = columns["time"][[0, -1]].astype("int64") // 1_000_000
        first, last = (moment(int(ms), info["zone"]) for ms in times)
        span = f" ({_iso(first)} .. {_iso(last)})"
    missing = f", {info['missing']} missing" if info["missing"] else ""
    out.write(f"  samples: {samples}{missing}{span}\n")
    out.write(f"  marks: {len(info['marks'])}\n")
    for mark in info["marks"]:
        out.write(
            f"    {mark['number']}  sample {mark['sample']}  {_iso(mark['time'])}  {mark['text']}\n"
        )
    out.write(f"  alarms: {len(info['alarms'])}\n")


def main(argv=None):
    paths = sys.argv[1:] if argv is None else argv
    if not paths or paths[0] in ("-h", "--help"):
        sys.stderr.write("usage: python3 -m korvale FILE.mx1...\n")
        return 0 if paths else 2
    status = 0
    for path in paths:
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            try:
                describe(path, sys.stdout)
            except (KorvaleError, OSError) as e:
                sys.stderr.write(f"{e}\n")
                status = 1
                continue
        for w in caught:
            sys.stderr.write(f"{w.message}\n")
            if isinstance(w.message, TruncatedWarning) and status == 0:
                status = 4
    return status


if __name__ == "__main__":
    sys.exit(main())
