// The program's own data file (*.mx1): a header of the start time, five memo lines and the
// measurement settings, then one 32-byte record per sample (four little-endian doubles, units 0
// to 3). Strings are a 16-bit byte count and code page 932 bytes. Reading goes into a record set
// of its own, so that a file that cannot be read leaves the caller's record set as it was.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

class ModuleData;

// The header fields of md, with sampleCount as the count field.
QByteArray EncodeDataHeader(const ModuleData& md, int32_t sampleCount);
// Appends the 32-byte record of sample k (1-based: slot k-1 of each unit's buffer).
void AppendDataRecord(QByteArray& out, const ModuleData& md, int32_t k);

// Reads the file at path into md (record set, memo lines, start time and the header's settings).
// On failure md is unchanged and error (when given) holds the operator's reason in Japanese.
bool ReadDataFile(ModuleData& md, const QString& path, QString* error = nullptr);
// Write the own data file / the CSV export of md. An existing file of that name is replaced only
// when the new one is complete. On failure error holds the operator's reason in Japanese.
bool SaveDataFile(const ModuleData& md, const QString& path, QString* error = nullptr);
bool SaveCsvFile(const ModuleData& md, const QString& path, QString* error = nullptr);
