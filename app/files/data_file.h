// The program's own data file (*.mx1): a header of the start time, five memo lines and the
// measurement settings, then one 32-byte record per sample (four little-endian doubles, units 0
// to 3). Strings are a 16-bit byte count and code page 932 bytes. Reading goes into a record set
// of its own, so that a file that cannot be read leaves the caller's record set as it was.
// The CSV export is written from the same record set; the program never reads it.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class ModuleData;
struct RecordSet;

// The header fields of rs, with sampleCount as the count field. A text read from a file and not
// changed since is written as the bytes it was read from (EncodeText). A character that code page
// 932 cannot hold is written as "?" and a text longer than its 65535-byte count is cut; the savers
// refuse such texts beforehand (DataFileTextProblem), so that this only matters to callers that
// write texts they made themselves.
QByteArray EncodeDataHeader(const RecordSet& rs, int32_t sampleCount);
// Appends the 32-byte record of sample k (1-based: slot k-1 of each unit's buffer).
void AppendDataRecord(QByteArray& out, const RecordSet& rs, int32_t k);

// Everything an own data file holds, read but not yet taken over.
struct DataFileImage {
  QString StartTime;
  std::array<QString, 5> MemoText;
  QByteArray StartTimeBytes;  // the bytes the texts above were read from
  std::array<QByteArray, 5> MemoBytes;
  bool TimerType = false;
  int32_t IntervalTM = 0;
  bool DataAverage = false;
  bool MeasKind = false;
  std::array<int16_t, 4> ConnectID{};
  int32_t Records = 0;  // complete 32-byte records read (they, not the header's count, are read)
  int32_t HeaderCount = 0;        // the header's count of records (0 while a journal is written)
  bool EndsInsideRecord = false;  // bytes of a record that is not complete follow the last one
  // The samples of units 0 to 3, narrowed to single; Records slots each.
  std::array<std::vector<float>, 4> Data;
};

// Parses the bytes of an own data file. On failure returns false and error (when given) holds
// the operator's reason in Japanese; a partial record at the end is ignored, more than 88000
// records are refused. Text bytes that are not code page 932 become U+FFFD in the texts; the
// bytes themselves are kept beside them.
bool ParseDataFile(const char* bytes, size_t size, DataFileImage& image, QString* error = nullptr);
// Reads and parses the file at path.
bool ReadDataFileImage(const QString& path, DataFileImage& image, QString* error = nullptr);
// Replaces record's samples, start time, memo lines and settings with the image's (the image's
// text buffers are taken over): as after Clear, then the header's values; a unit is used when any
// of its samples is a value, and its DataCount runs to its last value (slots without a value
// before it stay NoData). The names are emptied (a sidecar gives them).
void ApplyDataFile(RecordSet& record, DataFileImage& image);
// The same for md's record set, with md's state as after ClearData and AverageCount following
// the new settings.
void ApplyDataFile(ModuleData& md, DataFileImage& image);

// What a file lacks of the records it promised. The header's count (when not 0) promises that
// many; a file that ends inside a record lacks at least that one. A count of 0 promises nothing
// (the recording journal's header while it is written, and a journal left by a crash): only an
// end inside a record counts then. Records beyond the count are read and lack nothing.
struct RecordShortfall {
  int32_t promised = 0;  // the header's count; 0: not known
  int32_t present = 0;   // the complete records read
  int32_t missing = 0;   // 0: the file is whole
};
RecordShortfall ShortfallOf(const DataFileImage& image);
// For the operator: "記録が 1 件欠けています（ヘッダーは 272 件、読めたのは 271 件）。"
QString ShortfallText(const RecordShortfall& shortfall);

enum class ReadResult { Read, NoSamples, Failed };
// The read of "読込み": the file at path replaces md's record set, start time, memo lines and
// settings when it could be read and holds at least one complete sample. Otherwise md stays as
// it was: NoSamples for a file without a sample, Failed with the operator's reason in error. A
// file that lacks records is read as far as it goes; *shortfall (when given) says what it lacks.
ReadResult ReadDataFile(ModuleData& md, const QString& path, QString* error = nullptr,
                        RecordShortfall* shortfall = nullptr);
// The same into record alone (a reader without the data module: the export, the tools).
ReadResult ReadDataFile(RecordSet& record, const QString& path, QString* error = nullptr,
                        RecordShortfall* shortfall = nullptr);

// The bytes of text in a file: source, the bytes the text was read from, while the text still
// reads as them (bytes that are not code page 932 included); otherwise the text in code page 932.
// False, with the first character code page 932 cannot hold in *bad, when neither is possible.
bool EncodeText(const QString& text, const QByteArray& source, QByteArray& out,
                QString* bad = nullptr);
// The reason, in Japanese, why a text field named field (read from the bytes source, if any)
// cannot be written exactly, or an empty text: a character code page 932 cannot hold (named with
// its code), or more than 65535 bytes.
QString TextFieldProblem(const QString& text, const QString& field, const QByteArray& source = {});
// The reason, in Japanese, why rs's texts (start time, memo lines) cannot be written exactly, or
// an empty text: a character code page 932 cannot hold, or a text over 65535 bytes.
QString DataFileTextProblem(const RecordSet& rs);

// rs as an own data file: its header with the sample count, then every sample.
QByteArray EncodeDataFile(const RecordSet& rs);
// Write the own data file / the CSV export of rs. An existing file of that name is replaced only
// when the new one is complete. On failure error holds the operator's reason in Japanese.
bool SaveDataFile(const RecordSet& rs, const QString& path, QString* error = nullptr);
bool SaveCsvFile(const RecordSet& rs, const QString& path, QString* error = nullptr);
// The CSV export of rs as bytes; false with the reason when a text cannot be written exactly.
bool EncodeCsv(const RecordSet& rs, QByteArray& out, QString* error = nullptr);

// The operator's messages for a failed read or save: the file's path and the reason.
QString ReadFailureText(const QString& path, const QString& reason);
QString SaveFailureText(const QString& path, const QString& reason);
