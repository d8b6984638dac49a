// The files of a continuous recording: own data files named from the run's start and a running
// number (written with files/publish.h's CreateNewFile, never replacing a file).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>

// "20261208-050335-0001.mx1": the run's start (local time, to the second) and the file's number,
// four digits at least.
QString RecordFileName(const QDateTime& runStart, int32_t number);
