// The analysis CSV's fields and rows for those who hold the run as plain rows (core/run_rows.h)
// rather than as record sets: the web view's /api/samples gives the same bytes as the analysis
// CSV of the run. The analysis CSV's writer shares the field formats.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "core/run_rows.h"
#include "files/local_time_text.h"

// A whole number of milliseconds as the exact decimal of seconds: 30 -> "0.03", 2000 -> "2".
char* PutElapsedSeconds(char* p, int64_t ms);
// A CSV field: quoted when it holds a comma, a double quote or a line break (a line break
// becoming a blank first), as it is otherwise.
void AppendCsvField(std::string& out, const QString& text);

// The header row of the analysis CSV of a run with these columns.
void AppendRunHeaderRow(std::string& out, const RunBegin& run);

// The rows of one run, one at a time.
class AnalysisRowText {
 public:
  explicit AnalysisRowText(int64_t originMs) : originMs_(originMs) {}

  // The row of sample at timeMs with the values of the run's columns (NaN where none) and the
  // mark field's text.
  void Append(std::string& out, int64_t sample, int64_t timeMs, const float* values, int columns,
              const QString& marks);

 private:
  int64_t originMs_;
  LocalTimeText time_;
};
