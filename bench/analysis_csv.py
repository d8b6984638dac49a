#!/usr/bin/env python3
"""The yardstick of bench/export_vs_python.sh: a plain Python script that reads own data files
(*.mx1) and writes, with Python's csv module, the same analysis CSV as korvale --export.
Usage: analysis_csv.py VERSION OUT.csv IN.mx1 [IN2.mx1 ...]"""
import csv
import datetime
import struct
import sys

import numpy

NO_DATA = -99999.0
NOT_CONVERTED = -300.0
LETTERS = "BRSNKEJT"


def read(path):
    with open(path, "rb") as f:
        data = f.read()
    pos = 0

    def text():
        nonlocal pos
        (n,) = struct.unpack_from("<H", data, pos)
        pos += 2 + n
        return data[pos - n:pos].decode("cp932")

    start = text()
    memos = [text() for _ in range(5)]
    timer, interval, average, kind = struct.unpack_from("<hihh", data, pos)
    types = struct.unpack_from("<4h", data, pos + 10)
    pos += 22
    count = (len(data) - pos) // 32
    values = numpy.frombuffer(data, "<f8", 4 * count, pos).astype(numpy.float32).reshape(count, 4)
    local = datetime.datetime.strptime(start.strip(), "%Y/%m/%d %H:%M:%S").astimezone()
    return dict(start=local, memos=memos, timer=timer, interval=interval, average=average,
                voltage=kind != 0, types=types, values=values)


def shortest(v):
    """The shortest text of a single that reads back as the same single; fixed on a tie."""
    fixed = numpy.format_float_positional(v, unique=True, trim="-")
    exponent = numpy.format_float_scientific(v, unique=True, trim="-")
    return exponent if len(exponent) < len(fixed) else fixed


def seconds(ms):
    return str(ms // 1000) + ("." + ("%03d" % (ms % 1000)).rstrip("0") if ms % 1000 else "")


def main(version, dst, sources):
    files = sorted((read(s) for s in sources), key=lambda f: f["start"])
    first = files[0]
    used = [any((f["values"][:, i] != NO_DATA).any() for f in files) for i in range(4)]
    voltage = first["voltage"]
    with open(dst, "w", encoding="utf-8", newline="") as out:
        out.write("# program: korvale %s\n" % version)
        out.write("# start: %s\n" % first["start"].isoformat())
        out.write("# interval_s: %s\n" % seconds(first["interval"]))
        out.write("# sampling: %s\n" % ("computer timer" if first["timer"] else "unit clock"))
        out.write("# averaging: %s\n" % ("on" if first["average"] else "off"))
        out.write("# measurement: %s\n" % ("voltage (µV)" if voltage else "temperature (°C)"))
        names = []
        for i in range(4):
            if used[i]:
                letter = LETTERS[first["types"][i]]
                out.write("# ID%d: %s\n" % (i, "voltage" if voltage else letter + " thermocouple"))
                names.append("ID%d (µV)" % i if voltage else "ID%d %s (°C)" % (i, letter))
        for n, memo in enumerate(first["memos"]):
            out.write("# memo%d: %s\n" % (n + 1, memo))
        out.write("# empty field: no value (no reading, or a thermocouple value that could not "
                  "be converted)\n")
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["time", "elapsed_s", "sample"] + names)
        row = 0
        interval = datetime.timedelta(milliseconds=first["interval"])
        for f in files:
            offset = int((f["start"] - first["start"]).total_seconds()) * 1000
            for k, values in enumerate(f["values"]):
                ms = (k + 1) * first["interval"]
                time = (f["start"] + (k + 1) * interval).astimezone()
                items = [time.isoformat(timespec="milliseconds"), seconds(offset + ms), row]
                for i in range(4):
                    if used[i]:
                        v = values[i]
                        empty = v == NO_DATA or (not voltage and v == NOT_CONVERTED)
                        items.append("" if empty else shortest(v))
                writer.writerow(items)
                row += 1


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
