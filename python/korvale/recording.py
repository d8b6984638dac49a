"""The files of one table: one data file, the files of a continuous recording, and the journal of
a recording still running.

A continuous recording writes each full record set as ``<start>-NNNN.mx1`` into its folder; the
record set being measured lives in the recording journal (``journal-<pid>.mx1`` in the per-user
data folder ``~/.local/share/korvale``), an own data file with a sample count of 0 that grows by
one 32-byte record per sample. A journal continues the folder's files when its settings are
theirs and its time axis starts where the latest file's ends; one that starts with a file already
read is the journal of that file, whose samples the file holds. The journal is only read: the
recorder's lock on it is never taken or waited for, and a record being written is left out.
"""

import glob
import os
import re
import warnings

from . import alarms, datafile, table
from .errors import NotADataFile, TruncatedFile, TruncatedWarning

_RUN_FILE = re.compile(r"^(\d{8}-\d{6})-\d{4}(-\d+)?\.mx1$")
_LOCK = ".korvale-record.lock"


def journal_folder():
    """The folder of the recording journals: ``$XDG_DATA_HOME/korvale`` or
    ``~/.local/share/korvale``."""
    base = os.environ.get("XDG_DATA_HOME", "")
    if not os.path.isabs(base):
        base = os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(base, "korvale")


def report_truncation(f, strict):
    """Warns of (or with strict raises) a file that holds fewer samples than its header counts."""
    if not f.missing:
        return
    message = (
        f"ファイルが途中で終わっています（{f.header_count} サンプルのうち {f.missing} サンプルが"
        f"ありません。{f.records} サンプルを読み込みました）。"
    )
    if strict:
        raise TruncatedFile(f.path, message, f.missing, f.records)
    warnings.warn(TruncatedWarning(f.path, message, f.missing, f.records), stacklevel=4)


def _locked_journal(folder):
    """The journal a running recorder names in its folder's lock file, if any."""
    try:
        with open(os.path.join(folder, _LOCK), encoding="utf-8", errors="replace") as f:
            for line in f:
                key, _, value = line.rstrip("\n").partition("=")
                if key.strip() == "journal" and value.strip():
                    return os.path.realpath(os.path.join(folder, value.strip()))
    except OSError:
        pass
    return None


def _read_journals(paths):
    """The journals among paths that hold a sample now; one removed or just begun is skipped."""
    journals = []
    for path in paths:
        try:
            j = datafile.read_data_file(path)
        except (FileNotFoundError, NotADataFile):
            continue
        if j.records > 0 and j.journal:
            journals.append(j)
    return journals


def _continuing(files, journals, named):
    """The journals that go on where the files end, in order, and the one a running recorder's lock
    names (its first record set has no file yet)."""
    starts = {f.origin_ms for f in files}
    taken = []
    end = None
    if files:
        latest = max(files, key=lambda f: f.origin_ms)
        end = latest.origin_ms + latest.records * latest.interval_ms
    reference = files[0] if files else None
    while True:
        following = [
            j
            for j in journals
            if j not in taken
            and j.origin_ms not in starts
            and (j.origin_ms == end or os.path.realpath(j.path) == named)
            and (reference is None or table.mismatch(reference, j) is None)
        ]
        if not following:
            return taken
        j = following[0]
        taken.append(j)
        starts.add(j.origin_ms)
        reference = reference or j
        end = j.origin_ms + j.records * j.interval_ms


def _without_handed_over(files):
    """files without the journals whose samples a file among them holds (the same start)."""
    starts = {f.origin_ms for f in files if not f.journal}
    return [f for f in files if not (f.journal and f.origin_ms in starts)]


def _read_all(paths):
    # A long recording's values are read again when its rows are filled, so that its files are
    # never all held at once beside the table.
    try:
        estimate = sum(os.path.getsize(p) for p in paths) // datafile.RECORD_BYTES
    except OSError:
        estimate = 0
    keep = estimate <= table.KEEP_SAMPLES
    return [datafile.read_data_file(p, with_values=keep) for p in paths]


def _run_logs(folder, files):
    logs = []
    for f in files:
        match = _RUN_FILE.match(os.path.basename(f.path))
        if match and os.path.dirname(f.path) == folder:
            logs.append(os.path.join(folder, match.group(1) + "-alarms.csv"))
    return logs


def recording_files(folder_or_files):
    """The data files of a recording, read (values kept for a short one), and the alarm logs that
    belong to them. A folder gives its ``*.mx1`` files and the journal of a recording into it that
    is still running; a list of paths gives those files."""
    if isinstance(folder_or_files, (str, os.PathLike)) and os.path.isdir(folder_or_files):
        folder = os.fspath(folder_or_files)
        named = _locked_journal(folder)
        paths = set(glob.glob(os.path.join(glob.escape(journal_folder()), "journal-*.mx1")))
        if named:
            paths.add(named)
        # The journals first: a journal whose file is written meanwhile is then found as that file.
        journals = _read_journals(sorted(paths))
        files = _read_all(sorted(glob.glob(os.path.join(glob.escape(folder), "*.mx1"))))
        files += _continuing(files, journals, named)
        logs = [alarms.path_beside(f.path) for f in files] + _run_logs(folder, files)
    else:
        paths = (
            [folder_or_files]
            if isinstance(folder_or_files, (str, os.PathLike))
            else folder_or_files
        )
        files = _without_handed_over(_read_all([os.fspath(p) for p in paths]))
        logs = [alarms.path_beside(f.path) for f in files]
    if not files:
        raise FileNotFoundError(f"{folder_or_files}: 読み込むデータファイルがありません。")
    return files, list(dict.fromkeys(logs))
