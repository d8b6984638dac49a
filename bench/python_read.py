#!/usr/bin/python3
"""Times korvale.read of a full record set (4 units x 88000 samples) against pandas.read_csv of
the analysis CSV korvale --export writes for it, side by side (best of several runs each), and
joins a week of 10 ms files with korvale.read_recording, each size in a process of its own, to
show the time and the peak memory per sample as the recording grows.

Usage: bench/python_read.py [path/to/korvale] [--week FILES]
(default: build/bench/bin/korvale, else build/asan/bin/korvale; --week 690 files, 0 to skip)
"""

import datetime
import os
import resource
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))

import numpy as np  # noqa: E402

FULL = 88000
START = datetime.datetime(2026, 12, 8, 1, 2, 3)


def write_file(path, number, interval_ms=10):
    t = START + datetime.timedelta(milliseconds=interval_ms * FULL * number)
    text = f"{t.year}/{t.month}/{t.day} {t.hour}:{t.minute}:{t.second}".encode()
    head = struct.pack("<H", len(text)) + text + struct.pack("<H", 0) * 5
    head += struct.pack("<hihh4hi", 0, interval_ms, 0, 0, 4, 4, 4, 4, FULL)
    k = np.arange(FULL) + FULL * number
    values = np.stack([25 + 100 * i + 40 * np.sin(k * 0.001 + i) for i in range(4)], axis=1)
    values[::997, 1] = -99999.0  # a few holes
    with open(path, "wb") as f:
        f.write(head + values.astype(np.float32).astype("<f8").tobytes())


def best(runs, action):
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        action()
        times.append(time.perf_counter() - t0)
    return min(times)


def side_by_side(program, work):
    import pandas as pd

    import korvale

    path, csv = os.path.join(work, "full.mx1"), os.path.join(work, "full.csv")
    write_file(path, 0)
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    subprocess.run([program, "--export", path, csv], check=True, env=env)
    ours = best(7, lambda: korvale.read(path))
    theirs = best(3, lambda: pd.read_csv(csv, comment="#", parse_dates=["time"]))
    plain = best(3, lambda: pd.read_csv(csv, comment="#"))
    print(f"full record set (4 x {FULL}), {os.path.getsize(csv) / 1e6:.1f} MB of CSV:")
    print(f"  korvale.read                                {ours * 1000:8.1f} ms")
    print(
        f"  pandas.read_csv(parse_dates=['time'])       {theirs * 1000:8.1f} ms   ({theirs / ours:.0f} x)"
    )
    print(
        f"  pandas.read_csv without parsing the times   {plain * 1000:8.1f} ms   ({plain / ours:.0f} x)"
    )


def join(folder):
    """Run in a process of its own: joins the folder and prints seconds, rows and peak bytes."""
    import korvale

    t0 = time.perf_counter()
    df = korvale.read_recording(folder)
    seconds = time.perf_counter() - t0
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
    assert (np.diff(df.index.asi8[:: FULL // 2]) > 0).all()
    print(seconds, len(df), peak)


def week(files, work):
    folder = os.path.join(work, "week")
    os.mkdir(folder)
    baseline = None
    print(f"a recording of 10 ms files (4 units), joined by korvale.read_recording:")
    written = 0
    for count in sorted({max(1, files // 10), max(1, files // 3), files}):
        for number in range(written, count):
            write_file(os.path.join(folder, f"20261208-010203-{number + 1:04d}.mx1"), number)
        written = count
        out = subprocess.run(
            [sys.executable, __file__, "--join", folder], check=True, capture_output=True, text=True
        ).stdout.split()
        seconds, rows, peak = float(out[0]), int(out[1]), int(out[2])
        if baseline is None:
            baseline = int(
                subprocess.run(
                    [
                        sys.executable,
                        "-c",
                        "import resource, pandas, korvale;"
                        "print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024)",
                    ],
                    check=True,
                    capture_output=True,
                    text=True,
                    env=dict(os.environ, PYTHONPATH=os.path.join(HERE, "..", "python")),
                ).stdout
            )
        per_sample = (peak - baseline) / rows
        print(
            f"  {count:4d} files, {rows:9d} rows: {seconds:6.1f} s, peak {peak / 2**30:5.2f} GiB,"
            f" {per_sample:5.1f} bytes per row above the interpreter with pandas"
        )


def main():
    args = sys.argv[1:]
    if args[:1] == ["--join"]:
        join(args[1])
        return
    files = 690
    if "--week" in args:
        i = args.index("--week")
        files = int(args[i + 1])
        del args[i : i + 2]
    program = args[0] if args else os.path.join(HERE, "..", "build", "bench", "bin", "korvale")
    if not args and not os.path.exists(program):
        program = os.path.join(HERE, "..", "build", "asan", "bin", "korvale")
    with tempfile.TemporaryDirectory() as work:
        side_by_side(program, work)
        if files:
            week(files, work)


if __name__ == "__main__":
    main()
