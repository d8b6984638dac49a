// The analysis CSV: a table that analysis tools (pandas, LibreOffice, MATLAB) read as it is.
// UTF-8 without a byte-order mark, LF line ends, comma separators, a period as the decimal point.
// A preamble of lines starting with "# " names the program, the start, the interval, the sampling
// mode, averaging, the measurement kind, each unit with a column and the five memo lines; then one
// header row "time,elapsed_s,sample", a column per unit ("ID1 K (°C)", "ID2 (µV)"; with the
// channel's name "ID1 炉内 K (°C)") and a last column "mark"; then one row per sample:
//   time       ISO 8601 local time with milliseconds and its offset from UTC: the record set's
//              start plus sample number (from 1) x interval, as the graph places the sample;
//   elapsed_s  seconds since the start of the table, the exact decimal of a whole number of ms;
//   sample     the row's number in the table, from 0;
//   values     the shortest text that reads back as the same single-precision value; empty where
//              the slot holds no value, and for the driver's -300 in a temperature measurement;
//   mark       the texts of the marks at the sample joined by " / ", empty where there is none.
// A field holding a comma, a double quote or a line break is quoted (double quotes doubled; a
// line break becomes a blank first).
// A table may run on over several record sets (the files of one long recording, or a recording
// that empties its record set as it goes): AnalysisCsvWriter carries the row number and the time
// origin across them, so that a caller writes the preamble and the header row once and then the
// rows of each record set as they come.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/record_set.h"
#include "files/file_formats.h"
#include "files/local_time_text.h"

// What the preamble and the header row say, fixed for the whole table.
struct AnalysisTable {
  std::array<bool, 4> columns{};   // the units that get a column
  std::array<int16_t, 4> types{};  // thermocouple type 0..7 of each unit
  int32_t intervalMs = 1000;
  bool timerType = false;
  bool average = false;
  bool voltage = false;
  std::array<QString, 5> memo;
  std::array<QString, 4> names;  // the channel names, empty where none is given
  int64_t originMs = 0;  // the table's start, in ms since the epoch: elapsed_s counts from here
};

// "B".."T", the letter of thermocouple type 0..7; null for another number.
const char* TypeLetter(int16_t type);

// A start time text "yyyy/m/d h:m:s" (leading zeros allowed), read as local time of this computer,
// in ms since the epoch. A local time that occurs twice (the hour repeated when clocks go back) is
// the first; one that never occurs (skipped when clocks go forward) reads with the offset before
// the change. False for a text that is not such a time.
bool ParseStartTime(const QString& text, int64_t& utcMs);

// The units of rs that get a column: those used, and any holding a value within the record set (a
// unit whose first reading failed reads back from a file as not used, yet holds values).
std::array<bool, 4> AnalysisColumns(const RecordSet& rs);

// The table of rs's settings, memo lines, names and columns, starting at rs's exact start where it
// is known (StartMs), otherwise at its StartTime. False with the
// operator's reason (Japanese) when the start time cannot be read or the interval is not positive.
bool AnalysisTableOf(const RecordSet& rs, AnalysisTable& table, QString* error);

class AnalysisCsvWriter : public RecordSetStream {
 public:
  // The rows that follow belong to a record set starting at the table's origin.
  explicit AnalysisCsvWriter(const AnalysisTable& table);

  void AppendPreamble(std::string& out);
  void AppendHeaderRow(std::string& out) const;
  // The preamble and the header row.
  void AppendHead(std::string& out) override {
    AppendPreamble(out);
    AppendHeaderRow(out);
  }
  // The rows that follow belong to a record set that started at startMs (ms since the epoch): its
  // sample in slot k is at startMs + (k + 1) x interval.
  void BeginRecordSet(int64_t startMs) override { recordSetMs_ = startMs; }
  // Appends the rows of rs's slots [from, to) (clamped to the buffers), numbering them on from the
  // rows already written; rs's marks at those samples fill their mark fields.
  void AppendRows(std::string& out, const RecordSet& rs, int32_t from, int32_t to) override;
  // Rows written so far.
  int64_t RowCount() const override { return row_; }

 private:
  // Appends the mark field of sample (1-based) of marks, *next the first mark not before it.
  static void PutMarks(std::string& out, const std::vector<Mark>& marks, size_t* next,
                       int32_t sample);

  AnalysisTable table_;
  int64_t recordSetMs_;  // the start of the record set whose rows are being written
  int64_t row_ = 0;
  LocalTimeText time_;  // the rows' clock times
};

// The analysis CSV of rs's whole record set; false with the reason as AnalysisTableOf.
bool EncodeAnalysisCsv(const RecordSet& rs, std::string& out, QString* error = nullptr);
// Writes it to path; an existing file is replaced only by a complete new one.
bool SaveAnalysisCsvFile(const RecordSet& rs, const QString& path, QString* error = nullptr);
