"""korvale.read gives what korvale --export writes, value for value and time for time, for
random record sets: unused units, holes, -300, failed first readings, memo bytes that are not
code page 932, voltage and temperature, both sampling modes, zones with summer time."""

import datetime
import os
import random
import re

import numpy as np
import pytest

import korvale
import mx1
from conftest import export, read_export

# Start times near the zones' changes to and from summer time, and plain ones.
ZONES = {
    "Europe/Berlin": [
        datetime.datetime(2024, 3, 31, 1, 58, 30),
        datetime.datetime(2024, 10, 27, 2, 30, 5),
    ],
    "America/St_Johns": [datetime.datetime(2025, 11, 2, 0, 59, 0)],
    "Asia/Tokyo": [datetime.datetime(2026, 12, 8, 5, 3, 35)],
    "UTC": [datetime.datetime(2000, 2, 29, 23, 59, 59)],
}
# Memo bytes: text, bytes code page 932 leaves undefined, a lead byte without its trail byte.
MEMOS = [
    "炉の昇温試験".encode("cp932"),
    b"\x80\xa0\xfd\xfe\xff",
    b"ok\x81",
    b"\x82\x20\x82\xa0",
    b"line\nbreak",
    b"",
]


def random_set(rng, path):
    voltage = rng.random() < 0.3
    timer = rng.random() < 0.5
    interval = rng.choice([1000, 2000, 5000]) if timer else rng.choice([10, 30, 250, 1000])
    zone = rng.choice(sorted(ZONES))
    n = rng.randint(1, 1500)
    values = np.full((n, 4), mx1.NO_DATA, dtype=np.float32)
    for unit in rng.sample(range(4), rng.randint(1, 4)):
        column = (
            np.random.default_rng(rng.randrange(1 << 30)).normal(300, 400, n).astype(np.float32)
        )
        holes = np.random.default_rng(rng.randrange(1 << 30)).random(n)
        column[holes < 0.05] = mx1.NO_DATA
        column[(holes > 0.95)] = -300.0
        if rng.random() < 0.3:
            column[0] = mx1.NO_DATA  # a failed first reading
        values[:, unit] = column
    mx1.write(
        path,
        values,
        start=rng.choice(ZONES[zone]),
        memo=tuple(rng.choice(MEMOS) for _ in range(5)),
        timer=timer,
        interval=interval,
        average=rng.random() < 0.5,
        voltage=voltage,
        types=tuple(rng.choice([0, 4, 7, 9]) for _ in range(4)),
    )
    return zone


def iso(index):
    return [t.isoformat(timespec="milliseconds") for t in index]


def assert_frame_is_export(df, csv):
    """Every column of the export equals the frame's, and the frame has the mark column too."""
    assert list(df.columns) == [c for c in csv.columns if c != "time"] + (
        [] if "mark" in csv.columns else ["mark"]
    )
    assert df.index.name == "time" and df.index.tz is not None
    assert iso(df.index) == list(csv["time"])
    for column in csv.columns[1:]:
        ours, theirs = df[column].to_numpy(), csv[column].to_numpy()
        if column == "mark":
            assert [None if v != v else v for v in ours.astype(object)] == [
                None if v != v else v for v in theirs
            ]
        elif column in ("elapsed_s", "sample"):
            np.testing.assert_array_equal(ours, theirs)
        else:
            assert ours.dtype == np.float32
            np.testing.assert_array_equal(ours, theirs.astype(np.float32))


@pytest.mark.parametrize("seed", range(16))
def test_random_record_sets_read_as_the_export_writes_them(tmp_path, monkeypatch, seed):
    rng = random.Random(seed)
    path = str(tmp_path / "run.mx1")
    zone = random_set(rng, path)
    monkeypatch.setenv("TZ", zone)
    status, err = export([path], str(tmp_path / "run.csv"), TZ=zone)
    assert status == 0, err
    csv, preamble = read_export(str(tmp_path / "run.csv"))

    df = korvale.read(path)
    assert_frame_is_export(df, csv)
    assert df.attrs["start"].isoformat() == preamble["start"]
    assert [re.sub("[\x00-\x1f\x7f]", " ", m) for m in df.attrs["memo"]] == [
        preamble[f"memo{i}"] for i in range(1, 6)
    ]
    assert {u: a["type"] for u, a in df.attrs["units"].items()} == {
        k: v for k, v in preamble.items() if k.startswith("ID")
    }
    assert df.attrs["memo_bytes"] == list(mx1.fixed_fields(path)[0][1:])

    columns, info = korvale.read_arrays(path)
    assert list(columns) == ["time", "elapsed_s", "sample", *csv.columns[3:]] + (
        [] if "mark" in csv.columns else ["mark"]
    )
    np.testing.assert_array_equal(
        columns["time"], df.index.tz_convert("UTC").tz_localize(None).to_numpy()
    )
    assert info["memo"] == df.attrs["memo"]
