"""One table of one or more own data files, in the rows and columns of the analysis CSV.

The files are joined as ``korvale --export`` joins them: in the order of their start times, the
table starting with the earliest; they must agree in measurement kind, interval, sampling mode,
averaging and the type of each unit used in more than one of them, and must not overlap in time.
Every unit used in any file (a unit with a value in it) gets a column, empty (NaN) in the rows of
a file that did not use it.
"""

import re

import numpy as np

from .datafile import NO_DATA, NOT_CONVERTED, load_values
from .errors import JoinRefused, NoSamples

# Above this many samples in all, a file's values are read again when its rows are filled
# rather than kept from the first read, so that a long recording takes the table's memory and
# one file's, not twice the table's.
KEEP_SAMPLES = 8 * 88000
_LINE_BREAK = re.compile(r"\r\n|\r|\n")


def _on_off(on):
    return "有り" if on else "無し"


def _kind(voltage):
    return "電圧値" if voltage else "熱電対"


def mismatch(first, f):
    """Why f cannot continue the table of first, or None."""
    if first.voltage != f.voltage:
        return f"{first.path} と測定の種類が異なります（{_kind(first.voltage)} と {_kind(f.voltage)}）。"
    if first.interval_ms != f.interval_ms:
        return f"{first.path} と測定間隔が異なります（{first.interval_ms} ms と {f.interval_ms} ms）。"
    if first.timer_type != f.timer_type:
        return f"{first.path} とサンプリングの方式が異なります。"
    if first.averaging != f.averaging:
        return (
            f"{first.path} とデータ平均化処理が異なります"
            f"（{_on_off(first.averaging)} と {_on_off(f.averaging)}）。"
        )
    return None


def order(files, allow_empty=False):
    """files in the order of their start times, checked to make one table; returns them, the
    units that get a column and the file each unit's type comes from. Raises :class:`NoSamples`
    (for a file without a sample, unless allow_empty) or :class:`JoinRefused`."""
    for f in files:
        if f.records == 0 and not allow_empty:
            raise NoSamples(f.path, "データがありません。")
    files = sorted(files, key=lambda f: f.origin_ms)
    first = files[0]
    type_from = [None] * 4
    for i, f in enumerate(files):
        reason = mismatch(first, f)
        if reason:
            raise JoinRefused(f.path, first.path, reason)
        if i > 0:
            previous = files[i - 1]
            last = previous.origin_ms + previous.records * previous.interval_ms
            if f.origin_ms + f.interval_ms <= last:
                raise JoinRefused(f.path, previous.path, f"{previous.path} と測定の時間が重なっています。")
        for unit in range(4):
            if not f.used[unit]:
                continue
            if type_from[unit] is None:
                type_from[unit] = f
            elif not first.voltage and f.types[unit] != type_from[unit].types[unit]:
                raise JoinRefused(
                    f.path,
                    type_from[unit].path,
                    f"{type_from[unit].path} と ID{unit} の熱電対の種類が異なります。",
                )
    units = [u for u in range(4) if type_from[u] is not None]
    return files, units, {u: type_from[u] for u in units}


def column_name(unit, letter, name, voltage):
    """The analysis CSV's header of a unit's column: "ID0 K (°C)", "ID0 炉内 K (°C)", "ID2 (µV)"."""
    parts = [f"ID{unit}"]
    if name:
        parts.append(_LINE_BREAK.sub(" ", name))
    if voltage:
        return " ".join(parts) + " (µV)"
    if letter:
        parts.append(letter)
    return " ".join(parts) + " (°C)"


class Table:
    """The rows of a table as arrays: time_ns (int64, UTC ns), elapsed_s, values (one float32 row
    per column), mark_codes (the index of a row's mark text, -1 for none) with mark_texts."""


def _fill_marks(table, f, at):
    for mark in f.marks:
        if 1 <= mark["sample"] <= f.records:
            row = at + mark["sample"] - 1
            table.marks.append(dict(mark, sample=row, file=f.path))


def _mark_column(table, rows):
    by_row = {}
    for mark in table.marks:
        by_row.setdefault(mark["sample"], []).append(mark["text"])
    texts = {}
    table.mark_codes = np.full(rows, -1, dtype=np.int32 if len(by_row) > 120 else np.int8)
    for row, marked in by_row.items():
        table.mark_codes[row] = texts.setdefault(" / ".join(marked), len(texts))
    table.mark_texts = list(texts)


def build(files, allow_empty=False):
    """The table of files (read with or without their values), joined and checked by
    :func:`order`."""
    files, units, type_from = order(files, allow_empty)
    first = files[0]
    table = Table()
    table.files, table.first, table.units = files, first, units
    table.names = {}
    for unit in units:
        for f in files:
            if f.used[unit] and f.names.get(unit):
                table.names[unit] = f.names[unit]
                break
    table.columns = [
        column_name(u, type_from[u].type_letter(u), table.names.get(u), first.voltage)
        for u in units
    ]
    table.types = {u: type_from[u].types[u] for u in units}
    rows = sum(f.records for f in files)
    keep = rows <= KEEP_SAMPLES
    interval = first.interval_ms
    steps = np.arange(1, max(f.records for f in files) + 1, dtype=np.int64) * interval
    time_ns = np.empty(rows, dtype=np.int64)
    values = np.empty((len(units), rows), dtype=np.float32)
    table.marks = []
    at = 0
    for f in files:
        n = f.records
        samples = f.values if f.values is not None else load_values(f)
        if not keep:
            f.values = None
        span = time_ns[at : at + n]
        np.add(steps[:n], f.origin_ms, out=span)
        for c, unit in enumerate(units):
            column = values[c, at : at + n]
            if not f.used[unit]:
                column.fill(np.nan)
                continue
            column[:] = samples[:, unit]
            column[column == NO_DATA] = np.nan
            if not first.voltage:
                column[column == NOT_CONVERTED] = np.nan
        _fill_marks(table, f, at)
        at += n
    table.first_ms = int(time_ns[0]) if rows else first.origin_ms
    table.last_ms = int(time_ns[-1]) if rows else first.origin_ms
    table.elapsed_s = np.subtract(time_ns, first.origin_ms, dtype=np.float64)
    table.elapsed_s /= 1000.0
    time_ns *= 1_000_000
    table.time_ns = time_ns
    table.values = values
    table.rows = rows
    _mark_column(table, rows)
    return table
