"""The program's own data file (*.mx1) and what lies beside it.

Layout (little-endian, no signature, no padding): six strings (the start time text and five
memo lines; each a 16-bit byte count and that many code page 932 bytes), then the timer type
(int16, -1 computer timer, 0 unit clock), the interval in ms (int32), averaging (int16, -1 on),
the measurement kind (int16, -1 voltage), the thermocouple type index of units 0 to 3 (int16 each,
B R S N K E J T = 0..7) and the sample count (int32; 0 in a journal still being written). Then one
32-byte record per sample: four doubles, units 0 to 3, -99999 where a unit has no value.

The complete records decide how many samples there are, as in the program; a piece of a record
at the end is left out. A file whose header counts more samples than it holds was cut short.
"""

import os
import stat
import struct

import numpy as np

from . import clock, sidecar
from .errors import NotADataFile

NO_DATA = np.float32(-99999.0)
NOT_CONVERTED = np.float32(-300.0)  # the driver's value of a thermocouple it could not convert
MAX_SAMPLES = 88000
RECORD_BYTES = 32
TYPE_LETTERS = ("B", "R", "S", "N", "K", "E", "J", "T")
_FIXED = struct.Struct("<hihh4hi")
_FLOAT_MAX = float(np.finfo(np.float32).max)
_MAX_HEADER = 6 * (2 + 0xFFFF) + _FIXED.size
# Bytes that code page 932 leaves undefined but Python's codec maps to characters of their own;
# the program shows them as U+FFFD like every other byte it cannot decode.
_UNDEFINED = {0x80: 0xFFFD, 0xF8F0: 0xFFFD, 0xF8F1: 0xFFFD, 0xF8F2: 0xFFFD, 0xF8F3: 0xFFFD}


def decode_text(raw):
    """A text field's bytes as text: code page 932, U+FFFD for each byte that is not."""
    return raw.decode("cp932", errors="replace").translate(_UNDEFINED)


class DataFile:
    """The header of one own data file, its sidecar's names, marks and start instant, and (after
    :meth:`load_values`) its samples."""

    def __init__(self, path):
        self.path = os.fspath(path)
        self.values = None  # (samples, 4) float32, -99999 where there is no value

    @property
    def samples(self):
        return self.records

    def type_letter(self, unit):
        index = self.types[unit]
        return TYPE_LETTERS[index] if 0 <= index < len(TYPE_LETTERS) else None


def _read_bytes(path):
    # Only a regular file is read: a pipe or a device would block or must not be opened at all.
    # Checked before the open and again on what was opened, in case the name changed between.
    st = os.stat(path)
    if stat.S_ISDIR(st.st_mode):
        raise NotADataFile(path, "ファイルではなくフォルダーです。")
    not_regular = "通常のファイルではないため読み込めません。"
    if not stat.S_ISREG(st.st_mode):
        raise NotADataFile(path, not_regular)
    fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_NOCTTY | os.O_CLOEXEC)
    try:
        st = os.fstat(fd)
        if not stat.S_ISREG(st.st_mode):
            raise NotADataFile(path, not_regular)
        # What the file holds now: a journal that grows meanwhile is read up to here. Reading
        # more than the largest file could hold is enough to refuse one that holds more.
        data = bytearray(min(st.st_size, _MAX_HEADER + (MAX_SAMPLES + 1) * RECORD_BYTES))
        view, done = memoryview(data), 0
        while done < len(data):
            n = os.readv(fd, [view[done:]])
            if n == 0:
                break
            done += n
        return view[:done]
    finally:
        os.close(fd)


def _header(f, data):
    """Parses the header fields of data into f; False when data ends inside the header."""
    at = 0
    texts = []
    for _ in range(6):
        if at + 2 > len(data):
            return False
        (n,) = struct.unpack_from("<H", data, at)
        if at + 2 + n > len(data):
            return False
        texts.append(bytes(data[at + 2 : at + 2 + n]))
        at += 2 + n
    if at + _FIXED.size > len(data):
        return False
    timer, interval, average, kind, t0, t1, t2, t3, count = _FIXED.unpack_from(data, at)
    f.start_bytes, f.memo_bytes = texts[0], texts[1:]
    f.start_text = decode_text(texts[0])
    f.memo = [decode_text(t) for t in f.memo_bytes]
    f.timer_type, f.interval_ms, f.averaging, f.voltage = (
        timer != 0,
        interval,
        average != 0,
        kind != 0,
    )
    f.types = (t0, t1, t2, t3)
    f.header_count = count
    f.header_length = at + _FIXED.size
    return True


def _samples(f, data):
    """The complete records of data as float32 (samples, 4), checked as the program checks them."""
    body = memoryview(data)[f.header_length : f.header_length + f.records * RECORD_BYTES]
    wide = np.frombuffer(body, dtype="<f8").reshape(-1, 4)
    # Only values a single holds come from the program: anything else means a damaged file.
    readable = np.abs(wide) <= _FLOAT_MAX
    if not readable.all():
        bad = int(np.argmin(readable.all(axis=1))) + 1
        raise NotADataFile(f.path, f"{bad} 番目のサンプルに数値として読めない値があります。")
    return wide.astype(np.float32)


def read_data_file(path, with_values=True):
    """Reads the own data file at path: a :class:`DataFile` with its header, its sidecar (if
    any) and, with with_values, its samples. Raises :class:`NotADataFile` (or OSError)."""
    f = DataFile(path)
    data = _read_bytes(f.path)
    if not _header(f, data):
        raise NotADataFile(f.path, "ファイルがヘッダーの途中で終わっています。")
    body = len(data) - f.header_length
    f.records = body // RECORD_BYTES
    f.partial_bytes = body % RECORD_BYTES
    if f.records > MAX_SAMPLES:
        raise NotADataFile(f.path, f"サンプル数が {MAX_SAMPLES} を超えています。")
    f.missing = max(0, f.header_count - f.records)
    if f.interval_ms <= 0:
        raise NotADataFile(f.path, f"測定間隔（{f.interval_ms} ms）が正しくありません。")
    values = _samples(f, data)
    f.used = tuple(bool(u) for u in (values != NO_DATA).any(axis=0)) if f.records else (False,) * 4
    f.values = values if with_values else None
    f.sidecar = sidecar.read_beside(f.path)
    f.names = f.sidecar.names if f.sidecar else {}
    f.marks = f.sidecar.marks if f.sidecar else []
    start = f.sidecar.start_ms if f.sidecar else None
    f.origin_ms = start if start is not None else clock.parse_start_text(f.start_text)
    if f.origin_ms is None:
        raise NotADataFile(f.path, f"開始時刻「{f.start_text.strip()}」を読み取れません。")
    f.journal = f.header_count == 0
    return f


def load_values(f):
    """Reads f's samples again (after a read without them): the same header and at least the
    samples counted then, of which those are kept."""
    again = read_data_file(f.path)
    if again.header_length != f.header_length or again.records < f.records:
        raise NotADataFile(f.path, "読み込みの途中でファイルが変わりました。")
    f.values = again.values[: f.records]
    return f.values
