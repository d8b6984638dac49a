"""Reads the files korvale writes into pandas and NumPy.

>>> import korvale
>>> df = korvale.read("run.mx1")                    # one own data file
>>> df = korvale.read_recording("~/furnace")        # a continuous recording, running or not
>>> df["ID0 K (°C)"].plot()

A frame has the rows and columns of the program's analysis CSV (``korvale --export``): a
tz-aware DatetimeIndex ``time`` (the sample's local time with the offset in force), the columns
``elapsed_s`` and ``sample``, one float32 column per used unit named as in the analysis CSV (NaN
where it has an empty field: no value, or the driver's -300 in a temperature measurement) and a
categorical ``mark`` column. ``df.attrs`` describes it: ``interval_s``, ``sampling``,
``averaging``, ``measurement``, ``units`` (each unit's column, type and name), ``memo`` and
``memo_bytes``, ``start``, ``samples``, ``missing``, ``marks`` and ``alarms``; :func:`marks` and
:func:`alarms` give the last two as frames.

Errors: :class:`NotADataFile`, :class:`NoSamples`, :class:`JoinRefused`, :class:`SidecarError`
(all :class:`KorvaleError`); a file cut short warns with :class:`TruncatedWarning` (or raises
:class:`TruncatedFile` with ``strict=True``). NumPy is needed; pandas only for the frames.
"""

import os

from . import alarms as _alarms
from . import datafile as _datafile
from . import frame as _frame
from . import recording as _recording
from . import table as _table
from .errors import (
    JoinRefused,
    KorvaleError,
    KorvaleWarning,
    NoSamples,
    NotADataFile,
    SidecarError,
    TruncatedFile,
    TruncatedWarning,
)

__version__ = "0.1"
__all__ = [
    "read",
    "read_arrays",
    "read_recording",
    "read_recording_arrays",
    "marks",
    "alarms",
    "journal_folder",
    "KorvaleError",
    "NotADataFile",
    "NoSamples",
    "JoinRefused",
    "SidecarError",
    "TruncatedFile",
    "KorvaleWarning",
    "TruncatedWarning",
]

journal_folder = _recording.journal_folder


def _one(path, strict):
    f = _datafile.read_data_file(os.path.expanduser(os.fspath(path)))
    _recording.report_truncation(f, strict)
    t = _table.build([f], allow_empty=True)
    return t, _alarms.events_of([_alarms.path_beside(f.path)], float("-inf"), float("inf"))


def _joined(folder_or_files, strict):
    if isinstance(folder_or_files, (str, os.PathLike)):
        folder_or_files = os.path.expanduser(os.fspath(folder_or_files))
    files, logs = _recording.recording_files(folder_or_files)
    for f in files:
        _recording.report_truncation(f, strict)
    t = _table.build(files)
    return t, _alarms.events_of(logs, t.first_ms, t.last_ms)


def read(path, strict=False):
    """The own data file at path as a DataFrame (see the module's description). A file without a
    sample gives an empty frame; one cut short gives its complete samples and a
    :class:`TruncatedWarning` saying how many are missing (:class:`TruncatedFile` if strict)."""
    return _frame.to_frame(*_one(path, strict))


def read_arrays(path, strict=False):
    """As :func:`read`, without pandas: a dict of NumPy arrays (``time`` as UTC datetime64[ns],
    ``elapsed_s``, ``sample``, one float32 array per used unit, ``mark``: texts and None) and a
    dict of what ``df.attrs`` holds (times as aware datetimes; ``zone`` the local zone)."""
    return _frame.to_arrays(*_one(path, strict))


def read_recording(folder_or_files, strict=False):
    """One DataFrame of a continuous recording: a folder's ``*.mx1`` files (with the journal of
    a recording into it that is still running), or the data files given, joined in time order as
    ``korvale --export`` joins them. Raises :class:`JoinRefused` naming both files for files that
    differ in measurement kind, interval, sampling mode, averaging or a unit's thermocouple type,
    or overlap in time, and :class:`NoSamples` for a file without a sample."""
    return _frame.to_frame(*_joined(folder_or_files, strict))


def read_recording_arrays(folder_or_files, strict=False):
    """As :func:`read_recording`, without pandas (arrays and a dict, as :func:`read_arrays`)."""
    return _frame.to_arrays(*_joined(folder_or_files, strict))


def marks(df):
    """The marks of a frame read here: number, sample (the row's ``sample``), time and text."""
    import pandas as pd

    return pd.DataFrame(df.attrs.get("marks", []), columns=["number", "sample", "time", "text"])


def alarms(df):
    """The alarm events of a frame read here: time, unit, kind (high, low, open), value, limit
    and state (raised, cleared)."""
    import pandas as pd

    columns = ["time", "unit", "kind", "value", "limit", "state"]
    return pd.DataFrame(df.attrs.get("alarms", []), columns=columns)
