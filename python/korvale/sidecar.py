"""The sidecar beside a data file: ``NAME.mx1.json``, UTF-8 JSON written whole by the program.

It gives the channel names by unit, the marks of the record set and the exact start instant of
its time axis (the data file's own start time text keeps whole seconds). Unknown keys are left
alone; a sidecar that names another data file belongs to a file that was renamed or replaced by
a program that does not know sidecars, and is ignored.
"""

import json
import os
import warnings

from . import clock
from .errors import KorvaleWarning, SidecarError

VERSION = 1


class Sidecar:
    def __init__(self, path, names, marks, start_ms):
        self.path = path
        self.names = names  # {unit: name}
        self.marks = marks  # [{"number", "sample" (from 1), "time", "text"}] in sample order
        self.start_ms = start_ms  # the exact start in ms since the epoch, or None


def path_beside(data_path):
    return os.fspath(data_path) + ".json"


def _names(channels):
    names = {}
    if isinstance(channels, dict):
        for unit in range(4):
            name = channels.get(f"ID{unit}")
            if isinstance(name, str) and name:
                names[unit] = name
    return names


def _marks(entries):
    marks = []
    for entry in entries if isinstance(entries, list) else []:
        if not isinstance(entry, dict) or not isinstance(entry.get("sample"), int):
            continue
        text = entry.get("text")
        marks.append(
            {
                "number": entry.get("number"),
                "sample": entry["sample"],
                "time": entry.get("time"),
                "text": text if isinstance(text, str) else "",
            }
        )
    marks.sort(key=lambda m: m["sample"])
    return marks


def read_beside(data_path):
    """The sidecar of the data file at data_path, or None when it has none that belongs to it."""
    path = path_beside(data_path)
    try:
        with open(path, "rb") as f:
            content = json.loads(f.read().decode("utf-8"))
    except FileNotFoundError:
        return None
    except (OSError, UnicodeDecodeError, ValueError) as e:
        warnings.warn(KorvaleWarning(f"{path}: サイドカーを読み取れないため使いません（{e}）。"), stacklevel=3)
        return None
    if not isinstance(content, dict) or "korvale_sidecar" not in content:
        return None
    version = content["korvale_sidecar"]
    if not isinstance(version, (int, float)) or int(version) > VERSION:
        raise SidecarError(path, f"このサイドカーの形式（{version}）には対応していません。")
    named = content.get("data_file")
    if isinstance(named, str) and named != os.path.basename(os.fspath(data_path)):
        return None
    start = content.get("start")
    return Sidecar(
        path,
        _names(content.get("channels")),
        _marks(content.get("marks")),
        clock.parse_instant(start) if isinstance(start, str) else None,
    )
