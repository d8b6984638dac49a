"""The exceptions and warnings of the reader.

Every message names the file first and then the reason in Japanese, in the words the program
itself uses on its command line, so that a message seen in a notebook reads like the program's.
"""


class KorvaleError(Exception):
    """A file or a set of files that cannot be read as asked. ``path`` names the file."""

    def __init__(self, path, reason):
        super().__init__(f"{path}: {reason}")
        self.path = str(path)
        self.reason = reason


class NotADataFile(KorvaleError, ValueError):
    """The file is not an own data file (*.mx1) the program wrote: it ends inside the header,
    its start time or interval cannot be read, a value is not a number a sample can hold, it
    holds more than 88000 samples, or it is not a regular file."""


class NoSamples(KorvaleError):
    """A data file of a joined recording holds no complete sample (``korvale --export`` refuses
    it in the same way). :func:`korvale.read` returns an empty table for such a file instead."""


class TruncatedFile(KorvaleError):
    """The file ends before the samples its header counts: ``missing`` samples are not there.
    Raised only when asked for (``strict=True``); otherwise a :class:`TruncatedWarning`."""

    def __init__(self, path, reason, missing, present):
        super().__init__(path, reason)
        self.missing = missing
        self.present = present


class JoinRefused(KorvaleError):
    """Two files that cannot be one table: a different measurement kind, interval, sampling
    mode, averaging or thermocouple type of a unit, or overlapping times. ``path`` is the later
    file, ``other`` the file it was compared with."""

    def __init__(self, path, other, reason):
        super().__init__(path, reason)
        self.other = str(other)


class SidecarError(KorvaleError):
    """The sidecar beside a data file (``NAME.mx1.json``) is of a newer format than this
    reader knows."""


class KorvaleWarning(UserWarning):
    """Something was left out of what was read; the message says what."""


class TruncatedWarning(KorvaleWarning):
    """The file ends before the samples its header counts; its complete samples were read.
    ``path``, ``missing`` (samples not there) and ``present`` (samples read) say more."""

    def __init__(self, path, message, missing, present):
        super().__init__(f"{path}: {message}")
        self.path = str(path)
        self.missing = missing
        self.present = present
