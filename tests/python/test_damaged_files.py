"""Files cut short or not written by the program: complete samples are read and the rest
reported; what cannot be read is refused with the export's reason, and nothing blocks."""

import datetime
import os
import subprocess
import sys
import threading
import warnings

import numpy as np
import pytest

import korvale
import mx1
from conftest import export, read_export
from test_read_matches_export import assert_frame_is_export

T0 = datetime.datetime(2026, 12, 8, 5, 3, 35)


def values(n):
    v = np.full((n, 4), mx1.NO_DATA, dtype=np.float32)
    v[:, 1] = np.linspace(-5, 5, n)
    return v


def test_a_file_cut_in_a_record_reads_its_complete_records_and_reports_the_rest(tmp_path):
    path = str(tmp_path / "cut.mx1")
    mx1.write(path, values(100), start=T0, interval=250)
    os.truncate(path, os.path.getsize(path) - 42 * 32 - 17)  # 57 records and 15 bytes of one
    with pytest.warns(korvale.TruncatedWarning) as caught:
        df = korvale.read(path)
    assert (caught[0].message.missing, caught[0].message.present) == (43, 57)
    assert "43" in str(caught[0].message) and df.attrs["missing"] == 43
    status, err = export([path], str(tmp_path / "cut.csv"))
    assert status in (0, 4), err
    assert_frame_is_export(df, read_export(str(tmp_path / "cut.csv"))[0])
    with pytest.raises(korvale.TruncatedFile) as refusal:
        korvale.read(path, strict=True)
    assert refusal.value.missing == 43

    # A journal counts no samples in its header: a record still being written is no loss.
    journal = str(tmp_path / "journal-7.mx1")
    mx1.write(journal, values(10), start=T0, count=0)
    with open(journal, "ab") as f:
        f.write(b"\1" * 20)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert len(korvale.read(journal)) == 10


def damaged(tmp_path):
    good = mx1.header(start=T0, samples=3) + mx1.records(values(3))
    nan = values(3)
    nan[2, 0] = np.nan
    return {
        "header": good[:20],
        "start": mx1.header(start=b"yesterday", samples=3) + mx1.records(values(3)),
        "interval": mx1.header(start=T0, interval=0, samples=3) + mx1.records(values(3)),
        "value": mx1.header(start=T0, samples=3) + mx1.records(nan),
        "long": mx1.header(start=T0, samples=88001) + mx1.records(values(88001)),
    }


def test_what_is_not_an_own_data_file_is_refused_with_the_exports_reason(tmp_path):
    for case, content in damaged(tmp_path).items():
        path = str(tmp_path / f"{case}.mx1")
        with open(path, "wb") as f:
            f.write(content)
        status, err = export([path], str(tmp_path / "out.csv"))
        with pytest.raises(korvale.NotADataFile) as refusal:
            korvale.read(path)
        assert status == 1 and err.endswith(str(refusal.value)), case

    # A FIFO with a writer that never writes: refused at once, never waited on.
    fifo = str(tmp_path / "pipe.mx1")
    os.mkfifo(fifo)
    writer = subprocess.Popen(
        [sys.executable, "-c", f"import time; f = open({fifo!r}, 'wb'); time.sleep(30)"]
    )
    try:
        result = []
        reader = threading.Thread(
            target=lambda: result.append(pytest.raises(korvale.NotADataFile, korvale.read, fifo))
        )
        reader.start()
        reader.join(10)
        assert not reader.is_alive() and result
    finally:
        writer.kill()
        writer.wait()
