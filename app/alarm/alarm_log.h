// The alarm log: the raises and clears of a measurement as a UTF-8 CSV without a byte-order mark,
// LF line ends, one header row "時刻,ユニット,種類,値 (℃),限界 (℃),状態" (μV in a voltage
// measurement) and a row per event: the sample's time in ISO 8601 with its offset from UTC, the
// unit "ID0".."ID3", "上限", "下限" or "断線", the value, the limit (empty for "断線"), "発生" or
// "解除". Written whole beside a saved record set ("NAME-alarms.csv"), or appended to as the
// events happen during `korvale --record`.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "alarm/alarm_monitor.h"

QByteArray AlarmLogHeader(bool measKind);
QByteArray AlarmLogRow(const AlarmEvent& event);

// The log beside a saved file: its name without the extension, then "-alarms.csv"
// ("/d/run.mx1" -> "/d/run-alarms.csv").
QString AlarmLogPathBeside(const QString& savedPath);

// Writes the header and the rows of events as path, replacing an old file only by a complete new
// one. False with the operator's reason in *error.
bool WriteAlarmLog(const QString& path, const std::vector<AlarmEvent>& events, bool measKind,
                   QString* error);

// Appends one event to path, with the header first when the file is new or empty; the file is
// opened, written and closed for each event, so that what is written is on the disk as soon as
// it is known. A row is written whole or not at all: one that cannot be written completely (a full
// disk, the file-size limit) is cut off again, so that the file always ends at a row's end. False
// with the reason (the system's) in *error.
bool AppendAlarmLog(const QString& path, const AlarmEvent& event, bool measKind, QString* error);
