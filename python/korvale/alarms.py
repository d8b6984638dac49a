"""The alarm log beside a data file: ``<stem>-alarms.csv`` (UTF-8, header
``時刻,ユニット,種類,値 (℃),限界 (℃),状態``), one row per raised or cleared alarm."""

import csv
import os

from . import clock

_KINDS = {"上限": "high", "下限": "low", "断線": "open"}
_STATES = {"発生": "raised", "解除": "cleared"}


def path_beside(data_path):
    folder, name = os.path.split(os.fspath(data_path))
    stem = name.rsplit(".", 1)[0] if "." in name else name
    return os.path.join(folder, stem + "-alarms.csv")


def _number(text):
    try:
        return float(text)
    except ValueError:
        return None


def read_log(path):
    """The events of an alarm log in file order: dicts of time_ms, time (the text), unit
    ("ID0"), kind (high, low, open), value, limit (None for open) and state (raised, cleared).
    An absent log has none; a row that cannot be read (cut short by a crash) is left out."""
    try:
        with open(path, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
    except FileNotFoundError:
        return []
    events = []
    for row in rows[1:]:
        if len(row) != 6:
            continue
        time_ms = clock.parse_instant(row[0])
        if time_ms is None or row[2] not in _KINDS or row[5] not in _STATES:
            continue
        events.append(
            {
                "time_ms": time_ms,
                "time": row[0],
                "unit": row[1],
                "kind": _KINDS[row[2]],
                "value": _number(row[3]),
                "limit": _number(row[4]) if row[4] else None,
                "state": _STATES[row[5]],
            }
        )
    return events


def events_of(logs, first_ms, last_ms):
    """The events of the logs between two instants (inclusive), each once, in time order."""
    seen = set()
    events = []
    for path in logs:
        for event in read_log(path):
            key = (event["time_ms"], event["unit"], event["kind"], event["state"])
            if key in seen or not first_ms <= event["time_ms"] <= last_ms:
                continue
            seen.add(key)
            events.append(event)
    events.sort(key=lambda e: e["time_ms"])
    return events
