"""The table as NumPy arrays with a dict of what describes it, or as a pandas DataFrame."""

import datetime

import numpy as np

from . import clock
from .datafile import TYPE_LETTERS

_SAMPLING = {True: "computer timer", False: "unit clock"}


def _unit_type(voltage, index):
    """The unit's type as the analysis CSV's description line names it."""
    if voltage:
        return "voltage"
    if 0 <= index < len(TYPE_LETTERS):
        return f"{TYPE_LETTERS[index]} thermocouple"
    return f"unknown thermocouple type {index}"


def moment(ms, zone):
    """The instant of ms since the epoch as an aware datetime in zone."""
    return datetime.datetime.fromtimestamp(ms // 1000, zone) + datetime.timedelta(
        milliseconds=ms % 1000
    )


def describe(t, events, zone, stamp):
    """The dict of the table t: its header, units, memo lines, start, marks and alarm events;
    stamp makes a time value of ms since the epoch."""
    first = t.first
    units = {}
    for c, unit in enumerate(t.units):
        units[f"ID{unit}"] = {
            "column": t.columns[c],
            "type": _unit_type(first.voltage, t.types[unit]),
            "type_index": t.types[unit],
            "name": t.names.get(unit),
        }
    marks = [
        {
            "number": m["number"],
            "sample": m["sample"],
            "time": stamp(int(t.time_ns[m["sample"]] // 1_000_000)),
            "text": m["text"],
        }
        for m in t.marks
    ]
    alarm_rows = [
        {
            k: (stamp(e["time_ms"]) if k == "time" else e[k])
            for k in ("time", "unit", "kind", "value", "limit", "state")
        }
        for e in events
    ]
    return {
        "path": first.path,
        "files": [f.path for f in t.files],
        "start": stamp(first.origin_ms),
        "start_text": first.start_text,
        "interval_s": first.interval_ms / 1000,
        "interval_ms": first.interval_ms,
        "sampling": _SAMPLING[first.timer_type],
        "averaging": first.averaging,
        "measurement": "voltage" if first.voltage else "temperature",
        "units": units,
        "memo": list(first.memo),
        "memo_bytes": list(first.memo_bytes),
        "samples": t.rows,
        "missing": sum(f.missing for f in t.files),
        "marks": marks,
        "alarms": alarm_rows,
    }


def to_arrays(t, events):
    """The columns as arrays (time as UTC datetime64[ns], elapsed_s, sample, one float32 array
    per unit, mark as an object array of texts and None) and the describing dict."""
    zone = clock.local_zone(t.first_ms, t.last_ms)
    columns = {
        "time": t.time_ns.view("datetime64[ns]"),
        "elapsed_s": t.elapsed_s,
        "sample": np.arange(t.rows, dtype=np.int64),
    }
    for c, name in enumerate(t.columns):
        columns[name] = t.values[c]
    texts = np.array(t.mark_texts + [None], dtype=object)
    columns["mark"] = texts[t.mark_codes]
    info = describe(t, events, zone, lambda ms: moment(ms, zone))
    info["zone"] = zone
    return columns, info


def to_frame(t, events):
    """The table as a DataFrame indexed by a tz-aware DatetimeIndex named time."""
    import pandas as pd

    zone = clock.local_zone(t.first_ms, t.last_ms)
    index = pd.DatetimeIndex(t.time_ns.view("datetime64[ns]"), name="time")
    index = index.tz_localize("UTC").tz_convert(zone)
    # One float32 block without a copy: values holds one row per column, as pandas keeps blocks.
    frame = pd.DataFrame(t.values.T, index=index, columns=t.columns, copy=False)
    frame.insert(0, "elapsed_s", t.elapsed_s)
    frame.insert(1, "sample", np.arange(t.rows, dtype=np.int64))
    frame["mark"] = pd.Categorical.from_codes(t.mark_codes, categories=t.mark_texts)
    # Only plain values in attrs: pandas compares attrs on concat and repr, which a frame in them
    # breaks; korvale.marks() and korvale.alarms() give them as frames.
    frame.attrs.update(
        describe(t, events, zone, lambda ms: pd.Timestamp(ms, unit="ms", tz="UTC").tz_convert(zone))
    )
    return frame
