// The files of a continuous recording: own data files named from the run's start and a running
// number, each written whole beside its place and given its name only once it is on the disk.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

class ModuleData;

// "20261208-050335-0001.mx1": the run's start (local time, to the second) and the file's number,
// four digits at least.
QString RecordFileName(const QDateTime& runStart, int32_t number);

// md's record set as an own data file: its header with the sample count, then every sample.
QByteArray EncodeRecordSet(const ModuleData& md);

// Writes bytes as a new file named name in folder (made when missing). An existing file is never
// replaced: when name is taken the file becomes "<name>-2.mx1", "<name>-3.mx1", ... The data and
// the folder's new entry are pushed to the disk before this returns. beforeNaming (when given) is
// called with the path each time the file, complete on the disk, is about to get it. Returns the
// file's path, or an empty text with *error set to the errno (nothing is left behind then).
QString WriteNewFile(const QString& folder, const QString& name, const QByteArray& bytes,
                     int* error, const std::function<void(const QString&)>& beforeNaming = {});
