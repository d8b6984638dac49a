"""Own data files written byte by byte for the tests, independently of the reader under test."""

import datetime
import struct

import numpy as np

NO_DATA = -99999.0


def text_field(raw):
    return struct.pack("<H", len(raw)) + raw


def start_text(moment):
    return (
        f"{moment.year}/{moment.month}/{moment.day} {moment.hour}:{moment.minute}:{moment.second}"
    )


def header(
    start,
    memo=(b"",) * 5,
    timer=False,
    interval=10,
    average=False,
    voltage=False,
    types=(0, 0, 0, 0),
    count=None,
    samples=0,
):
    raw_start = start if isinstance(start, bytes) else start_text(start).encode()
    fields = text_field(raw_start) + b"".join(text_field(m) for m in memo)
    count = samples if count is None else count
    return fields + struct.pack("<hihh4hi", -timer, interval, -average, -voltage, *types, count)


def records(values):
    """values: (samples, 4) array-like, NO_DATA where a unit has no value."""
    return np.asarray(values, dtype=np.float32).astype("<f8").tobytes()


def write(path, values, **settings):
    values = np.asarray(values, dtype=np.float32).reshape(-1, 4)
    settings.setdefault("samples", len(values))
    with open(path, "wb") as f:
        f.write(header(**settings) + records(values))


def fixed_fields(path):
    """The bytes of a file's header after its six strings, and the start text."""
    data = open(path, "rb").read()
    at, texts = 0, []
    for _ in range(6):
        (n,) = struct.unpack_from("<H", data, at)
        texts.append(data[at + 2 : at + 2 + n])
        at += 2 + n
    return texts, data[at : at + 22], at + 22


def parse_start(text):
    return datetime.datetime.strptime(text, "%Y/%m/%d %H:%M:%S")
