"""A continuous recording read as one table: files in time order with a running journal, joined
and refused as korvale --export joins and refuses them."""

import datetime
import glob
import json
import os
import pathlib
import signal
import subprocess
import time

import numpy as np
import pytest

import korvale
import mx1
from conftest import export, program, program_env, read_export
from test_read_matches_export import assert_frame_is_export

FULL = 88000


def wait_for(predicate, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    pytest.fail("timed out")


def journal_records(path):
    texts, _, length = mx1.fixed_fields(path)
    return (os.path.getsize(path) - length) // 32


def test_three_files_and_a_running_journal_join_without_gap_or_repeat(tmp_path, monkeypatch):
    data, records = tmp_path / "data", tmp_path / "records"
    (tmp_path / "settings.ini").write_text(
        "[MeasInfo]\nMflagID0=True\nMflagID1=True\nConnectID1=4\nTimerType=False\n"
        "IntervalTM=10\nMeasKind=False\nDataAverage=False\n"
    )
    monkeypatch.setenv("XDG_DATA_HOME", str(data))
    # Files read again when their rows are filled, as those of a long recording are.
    monkeypatch.setattr(korvale.table, "KEEP_SAMPLES", 1000)
    env = program_env(
        USBKIT_SIMULATE="demo", XDG_DATA_HOME=str(data), XDG_CONFIG_HOME=str(tmp_path / "config")
    )
    recorder = subprocess.Popen(
        [
            program(),
            "--record",
            str(records),
            "--settings",
            str(tmp_path / "settings.ini"),
            "--for",
            "120s",
        ],
        env=env,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.PIPE,
    )
    try:
        journal = wait_for(
            lambda: [
                j
                for j in glob.glob(str(data / "korvale" / "journal-*.mx1"))
                if journal_records(j) >= 50
            ]
        )[0]
        texts, fixed, _ = mx1.fixed_fields(journal)
        start = mx1.parse_start(texts[0].decode())
        # The journal's exact start, from the sidecar the recorder keeps beside it.
        beside = pathlib.Path(journal + ".json")
        exact_start = datetime.datetime.fromisoformat(
            json.loads(wait_for(lambda: beside.exists() and beside.read_text()))["start"]
        )
        # Three full record sets before the running one, as the recorder would have written them.
        rng = np.random.default_rng(7)
        written = []
        for number in (1, 2, 3):
            values = np.full((FULL, 4), mx1.NO_DATA, dtype=np.float32)
            values[:, :2] = rng.normal(25, 5, (FULL, 2))
            file_start = start - datetime.timedelta(milliseconds=10 * FULL * (4 - number))
            path = records / f"earlier-{number:04d}.mx1"
            head = mx1.text_field(mx1.start_text(file_start).encode()) + b"\0\0" * 5 + fixed[:-4]
            path.write_bytes(head + FULL.to_bytes(4, "little") + mx1.records(values))
            # Its sidecar, as the recorder writes one beside each file: the journal's exact start,
            # whole spans earlier.
            exact = exact_start - datetime.timedelta(milliseconds=10 * FULL * (4 - number))
            sidecar = {
                "korvale_sidecar": 1,
                "data_file": path.name,
                "samples": FULL,
                "start": exact.isoformat(timespec="milliseconds"),
            }
            (records / (path.name + ".json")).write_text(json.dumps(sidecar))
            written.append(values)
        # The journal of file 2 left behind after the file was written, with its handover note.
        stale = data / "korvale" / "journal-99999.mx1"
        raw = (records / "earlier-0002.mx1").read_bytes()
        at = raw.index(FULL.to_bytes(4, "little") + mx1.records(written[1][:1]))
        stale.write_bytes(raw[:at] + b"\0\0\0\0" + raw[at + 4 :])
        (data / "korvale" / "journal-99999.taken").write_text(
            str(records / "earlier-0002.mx1") + "\n"
        )
        # A journal a crash left a day before, of a recording that has nothing to do with this one.
        old = (
            mx1.text_field(mx1.start_text(start - datetime.timedelta(days=1)).encode())
            + b"\0\0" * 5
        )
        (data / "korvale" / "journal-88888.mx1").write_bytes(
            old + fixed + mx1.records(written[0][:100])
        )

        df = korvale.read_recording(records)
        seen = len(df) - 3 * FULL
        assert seen >= 50
        steps = np.diff(df.index.asi8)
        assert (steps == 10_000_000).all()  # no gap, no repeated sample
        np.testing.assert_array_equal(df["sample"].to_numpy(), np.arange(len(df)))
        np.testing.assert_array_equal(
            df.iloc[: 3 * FULL, 2:4].to_numpy(), np.concatenate(written)[:, :2]
        )
        # The journal's first sample is its exact start (its sidecar's) + 10 ms.
        assert df.index[3 * FULL] == exact_start + datetime.timedelta(milliseconds=10)
        # The read left the recorder alone: its journal goes on growing.
        wait_for(lambda: journal_records(journal) > seen + 20)
        running = korvale.read(journal)
        np.testing.assert_array_equal(
            df.iloc[3 * FULL :, 2:4].to_numpy(), running.iloc[:seen, 2:4].to_numpy()
        )
    finally:
        recorder.send_signal(signal.SIGTERM)
        recorder.wait(60)
    # Its record set is now a file of the folder; the journal that held it is gone or skipped.
    after = korvale.read_recording(records)
    assert len(after) >= len(df) and (np.diff(after.index.asi8) == 10_000_000).all()


def write_run(tmp_path, name, start, n=5, units=(0,), **settings):
    values = np.full((n, 4), mx1.NO_DATA, dtype=np.float32)
    values[:, list(units)] = np.arange(n * len(units), dtype=np.float32).reshape(n, len(units))
    path = str(tmp_path / name)
    mx1.write(path, values, start=start, **settings)
    return path


T0 = datetime.datetime(2026, 12, 8, 5, 3, 35)


def test_files_join_or_are_refused_as_the_export_does(tmp_path, monkeypatch):
    monkeypatch.setenv("TZ", "Asia/Tokyo")
    later = T0 + datetime.timedelta(seconds=60)
    # Given out of order, with a gap, each with a unit the other does not use.
    b = write_run(tmp_path, "b.mx1", later, units=(2,), types=(4, 0, 7, 0), interval=1000)
    a = write_run(tmp_path, "a.mx1", T0, units=(0,), types=(4, 0, 7, 0), interval=1000)
    status, err = export([b, a], str(tmp_path / "ab.csv"), TZ="Asia/Tokyo")
    assert status == 0, err
    csv, _ = read_export(str(tmp_path / "ab.csv"))
    df = korvale.read_recording([b, a])
    assert_frame_is_export(df, csv)
    assert df.attrs["files"] == [a, b]

    refused = {
        "interval": write_run(tmp_path, "i.mx1", later, types=(4, 0, 7, 0), interval=2000),
        "overlap": write_run(
            tmp_path, "o.mx1", T0 + datetime.timedelta(seconds=4), types=(4, 0, 7, 0), interval=1000
        ),
        "type": write_run(tmp_path, "t.mx1", later, types=(5, 0, 7, 0), interval=1000),
        "kind": write_run(
            tmp_path, "k.mx1", later, types=(4, 0, 7, 0), interval=1000, voltage=True
        ),
        "averaging": write_run(
            tmp_path, "v.mx1", later, types=(4, 0, 7, 0), interval=1000, average=True
        ),
    }
    for case, other in refused.items():
        status, err = export([a, other], str(tmp_path / "x.csv"), TZ="Asia/Tokyo")
        with pytest.raises(korvale.JoinRefused) as refusal:
            korvale.read_recording([other, a])
        assert status == 1, case
        assert err.endswith(str(refusal.value)), case
        assert {refusal.value.path, refusal.value.other} == {a, other}, case
    # A journal given with the file that took its samples is left out.
    journal = str(tmp_path / "journal-1.mx1")
    mx1.write(journal, np.full((3, 4), 1.0), start=T0, types=(4, 0, 7, 0), interval=1000, count=0)
    assert korvale.read_recording([a, journal]).attrs["files"] == [a]
    # A file without a sample is refused too; on its own it reads as an empty table.
    empty = write_run(tmp_path, "e.mx1", later, n=0)
    with pytest.raises(korvale.NoSamples):
        korvale.read_recording([a, empty])
    assert len(korvale.read(empty)) == 0


def test_the_journal_a_recorders_lock_names_is_read_before_its_first_file(tmp_path, monkeypatch):
    monkeypatch.setenv("XDG_DATA_HOME", str(tmp_path / "data"))
    folder = tmp_path / "records"
    folder.mkdir()
    older = write_run(folder, "old.mx1", T0, interval=1000)
    journal = str(tmp_path / "elsewhere.mx1")
    mx1.write(
        journal,
        np.full((4, 4), 2.0),
        start=T0 + datetime.timedelta(hours=1),
        count=0,
        interval=1000,
    )
    (folder / ".korvale-record.lock").write_text(f"pid=1\njournal={journal}\n")
    assert korvale.read_recording(str(folder)).attrs["files"] == [older, journal]
