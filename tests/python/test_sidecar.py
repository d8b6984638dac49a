"""The sidecar beside a data file gives names, marks and the exact start; the alarm log beside it
gives the alarm events."""

import datetime
import json
import os
import subprocess
import sys

import numpy as np
import pytest

import korvale
import mx1
from conftest import export, read_export
from test_read_matches_export import assert_frame_is_export

T0 = datetime.datetime(2026, 12, 8, 5, 3, 35)


def recorded(tmp_path, sidecar):
    path = tmp_path / "20261208-050335-0001.mx1"
    v = np.full((6, 4), mx1.NO_DATA, dtype=np.float32)
    v[:, 0], v[:, 2] = 20.5, 1.25
    mx1.write(str(path), v, start=T0, interval=500, types=(4, 0, 7, 0))
    (tmp_path / (path.name + ".json")).write_text(
        json.dumps(sidecar, ensure_ascii=False), encoding="utf-8"
    )
    return str(path)


SIDECAR = {
    "korvale_sidecar": 1,
    "data_file": "20261208-050335-0001.mx1",
    "samples": 6,
    "start": "2026-12-08T05:03:35.123+09:00",
    "channels": {"ID0": "炉内", "ID2": "試料,\n上"},
    "marks": [
        {"number": 1, "sample": 2, "time": "2026-12-08T05:03:36.123+09:00", "text": "扉を開けた"},
        {"number": 2, "sample": 2, "time": "2026-12-08T05:03:36.123+09:00", "text": 'NA, "b"'},
        {"number": 3, "sample": 6, "time": "2026-12-08T05:03:38.123+09:00", "text": "マーク 3"},
    ],
    "future_key": {"ignored": True},
}


def test_names_marks_and_exact_start_come_from_the_sidecar(tmp_path, monkeypatch):
    monkeypatch.setenv("TZ", "Asia/Tokyo")
    path = recorded(tmp_path, SIDECAR)
    df = korvale.read(path)
    assert list(df.columns) == ["elapsed_s", "sample", "ID0 炉内 K (°C)", "ID2 試料, 上 T (°C)", "mark"]
    assert df.index[0].isoformat(timespec="milliseconds") == "2026-12-08T05:03:35.623+09:00"
    assert list(df["mark"].astype(object).where(df["mark"].notna(), None)) == [
        None,
        '扉を開けた / NA, "b"',
        None,
        None,
        None,
        "マーク 3",
    ]
    marks = korvale.marks(df)
    assert list(marks["sample"]) == [1, 1, 5] and list(marks["number"]) == [1, 2, 3]
    assert marks["time"][2] == df.index[5]
    status, err = export([path], str(tmp_path / "run.csv"), TZ="Asia/Tokyo")
    assert status == 0, err
    csv, _ = read_export(str(tmp_path / "run.csv"))
    # Once the export reads sidecars (its table then has the mark column), it gives the same.
    if "mark" in csv.columns:
        assert_frame_is_export(df, csv)


def test_a_sidecar_of_another_file_is_ignored_and_a_newer_one_refused(tmp_path):
    path = recorded(tmp_path, dict(SIDECAR, data_file="renamed.mx1"))
    df = korvale.read(path)
    assert list(df.columns) == ["elapsed_s", "sample", "ID0 K (°C)", "ID2 T (°C)", "mark"]
    assert (
        df["mark"].isna().all() and df.index[0].second == 35 and df.index[0].microsecond == 500000
    )
    recorded(tmp_path, dict(SIDECAR, korvale_sidecar=2))
    with pytest.raises(korvale.SidecarError):
        korvale.read(path)


def test_alarms_beside_the_file_and_the_summary_of_python_m_korvale(tmp_path):
    path = recorded(tmp_path, SIDECAR)
    (tmp_path / "20261208-050335-0001-alarms.csv").write_text(
        "時刻,ユニット,種類,値 (℃),限界 (℃),状態\n"
        "2026-12-08T05:03:36.123+09:00,ID0,上限,20.5,20,発生\n"
        "2026-12-08T05:03:37.123+09:00,ID2,断線,-300,,解除\n"
        "2026-12-08T05:03:38.1",  # cut short by a crash
        encoding="utf-8",
    )
    events = korvale.alarms(korvale.read(path))
    assert list(events["kind"]) == ["high", "open"] and list(events["state"]) == [
        "raised",
        "cleared",
    ]
    assert events["limit"][0] == 20 and events["limit"].isna()[1]

    done = subprocess.run(
        [sys.executable, "-m", "korvale", path, str(tmp_path / "missing.mx1")],
        capture_output=True,
        text=True,
        env={"PYTHONPATH": os.path.dirname(os.path.dirname(korvale.__file__)), "TZ": "Asia/Tokyo"},
    )
    assert done.returncode == 1 and "missing.mx1" in done.stderr
    for line in [
        "ID0: K thermocouple, 炉内",
        "samples: 6 (2026-12-08T05:03:35.623+09:00 ..",
        "marks: 3",
        "alarms: 2",
    ]:
        assert line in done.stdout
