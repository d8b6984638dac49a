"""Clock times as the program works them out.

A data file's start time is a text "yyyy/m/d h:m:s" in the local time of the computer that
wrote it; the program reads it as local time of the computer that reads it, with the offset in
force at that moment. The C library's zone (``time.localtime``) answers, as it does for the
program, so that both give the same instant for the same text in the same zone.
"""

import datetime
import os
import re
import time

_START = re.compile(
    r"^\s*([0-9]{1,4})/([0-9]{1,2})/([0-9]{1,2})\s+([0-9]{1,2}):([0-9]{1,2}):([0-9]{1,2})\s*$",
    re.ASCII,
)
_EPOCH_DAY = datetime.date(1970, 1, 1).toordinal()
_DAY = 86400


def zone_offset(seconds):
    """The local zone's offset from UTC in seconds at an instant (seconds since the epoch)."""
    try:
        return time.localtime(seconds).tm_gmtoff
    except (OverflowError, OSError, ValueError):
        return 0


def _local_to_utc(local):
    # The offsets in force a day before and after are the only ones the local time can have; the
    # larger one gives the earlier instant, so a local time that occurs twice is the first.
    before = zone_offset(local - _DAY)
    after = zone_offset(local + _DAY)
    for offset in (max(before, after), min(before, after)):
        if zone_offset(local - offset) == offset:
            return local - offset
    return local - before  # a local time skipped when the clocks went forward


def parse_start_text(text):
    """The instant of a start time text in ms since the epoch, or None for a text that is not
    such a time."""
    match = _START.match(text)
    if not match:
        return None
    year, month, day, hour, minute, second = (int(g) for g in match.groups())
    try:
        date = datetime.date(year, month, day)
    except ValueError:
        return None
    if hour > 23 or minute > 59 or second > 59:
        return None
    time.tzset()  # the zone of the environment as it is now
    local = (date.toordinal() - _EPOCH_DAY) * _DAY + hour * 3600 + minute * 60 + second
    return _local_to_utc(local) * 1000


def parse_instant(text):
    """An ISO 8601 time with its offset ("2026-12-08T05:03:35.123+09:00") in ms since the
    epoch, or None."""
    try:
        value = datetime.datetime.fromisoformat(text.replace("Z", "+00:00"))
    except (TypeError, ValueError, AttributeError):
        return None
    if value.tzinfo is None:
        return None
    delta = value - datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
    return delta // datetime.timedelta(milliseconds=1)


def _named_zone():
    """The local zone as a tz database zone, or None when the environment gives none."""
    try:
        import zoneinfo
    except ImportError:  # pragma: no cover - Python before 3.9
        return None
    name = os.environ.get("TZ")
    try:
        if name is None:
            target = os.path.realpath("/etc/localtime")
            marker = "/zoneinfo/"
            if marker in target:
                return zoneinfo.ZoneInfo(target.split(marker, 1)[1])
            with open("/etc/localtime", "rb") as f:
                return zoneinfo.ZoneInfo.from_file(f, key="localtime")
        name = name[1:] if name.startswith(":") else name
        if name == "":
            return datetime.timezone.utc
        if name.startswith("/"):
            with open(name, "rb") as f:
                return zoneinfo.ZoneInfo.from_file(f, key=name)
        return zoneinfo.ZoneInfo(name)
    except (OSError, ValueError, zoneinfo.ZoneInfoNotFoundError):
        return None


def _agrees(zone, instants_ms):
    for ms in instants_ms:
        moment = datetime.datetime.fromtimestamp(ms // 1000, datetime.timezone.utc)
        if zone.utcoffset(moment) != datetime.timedelta(seconds=zone_offset(ms // 1000)):
            return False
    return True


def local_zone(first_ms, last_ms):
    """A tzinfo of the local zone that gives the C library's offsets over [first_ms, last_ms]: the
    tz database zone of the environment, else a POSIX zone text of TZ, else a fixed offset."""
    time.tzset()
    ends = (first_ms, last_ms)
    zone = _named_zone()
    if zone is not None and _agrees(zone, ends):
        return zone
    try:
        from dateutil import tz

        zone = tz.gettz(os.environ.get("TZ"))
        if zone is not None and _agrees(zone, ends):
            return zone
    except ImportError:
        pass
    return datetime.timezone(datetime.timedelta(seconds=zone_offset(first_ms // 1000)))


def iso_text(ms, zone):
    """The instant as the analysis CSV writes it: local time with milliseconds and offset."""
    moment = datetime.datetime.fromtimestamp(ms // 1000, zone).replace(microsecond=ms % 1000 * 1000)
    return moment.isoformat(timespec="milliseconds")
