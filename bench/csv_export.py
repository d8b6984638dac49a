#!/usr/bin/env python3
"""A plain Python script that reads an own data file (*.mx1) and writes the same CSV export as
korvale --convert: the yardstick of bench/convert_vs_python.sh. Usage: csv_export.py IN.mx1 OUT.csv"""
import struct
import sys

NO_DATA = -99999.0
TYPE_NAMES = ["B熱電対", "R熱電対", "S熱電対", "N熱電対", "K熱電対", "E熱電対", "J熱電対", "T熱電対"]


def main(src, dst):
    with open(src, "rb") as f:
        data = f.read()
    pos = 0

    def text():
        nonlocal pos
        (n,) = struct.unpack_from("<H", data, pos)
        pos += 2
        s = data[pos:pos + n].decode("cp932")
        pos += n
        return s

    start = text()
    memos = [text() for _ in range(5)]
    timer, interval, average, kind = struct.unpack_from("<hihh", data, pos)
    pos += 10
    types = struct.unpack_from("<4h", data, pos)
    pos += 8
    pos += 4  # the header's sample count; the records decide
    count = (len(data) - pos) // 32
    records = struct.unpack_from("<%dd" % (4 * count), data, pos)
    # Values narrowed to single precision, as the program holds them.
    singles = struct.unpack("<%df" % (4 * count), struct.pack("<%df" % (4 * count), *records))
    used = [count > 0 and records[i] != NO_DATA for i in range(4)]
    valid = [sum(1 for k in range(count) if records[4 * k + i] != NO_DATA) for i in range(4)]

    q = lambda s: '"' + s + '"'
    lines = [q("熱電対温度測定ユニット"), q("測定日") + "," + q(start)]
    for i, m in enumerate(memos):
        lines.append(q("メモ" + "１２３４５"[i]) + "," + q(m))
    if timer:
        lines.append(q("測定間隔(sec)") + "," + ("%.15G" % (interval / 1000.0)))
    else:
        lines.append(q("測定間隔(msec)") + "," + str(interval))
    lines.append(q("データ平均化処理") + "," + q("有り" if average else "無し"))
    lines.append(q("種類") + "," + q("電圧値" if kind else "熱電対"))
    lines.append(q("使用ユニットの種類"))
    lines.append(",".join(q(TYPE_NAMES[t] if 0 <= t < 8 else "") for t in types))
    lines.append(q("測定データ"))
    lines.append(q("データ数") + "," + str(count))
    lines.append('"ID0","ID1","ID2","ID3"')
    for k in range(count):
        items = []
        for i in range(4):
            if used[i] and valid[i] > k:
                v = singles[4 * k + i]
                items.append("%.7G" % (v + 0.0))
            else:
                items.append('""')
        lines.append(",".join(items))
    with open(dst, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
