// The statistics of the cursor panel: for each used unit over the samples between the cursors A and
// B (inclusive), or over the whole record set without a cursor, the minimum, maximum, mean, sample
// standard deviation and the time spent past each alarm limit switched on. Only measured values
// count: an empty slot and the driver's "cannot be converted" of a temperature measurement are
// left out, exactly as the analysis CSV leaves them empty.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

struct RecordSet;

// The alarm limits switched on, per unit, in the unit of the measurement.
struct StatisticsLimits {
  std::array<std::optional<double>, 4> high;
  std::array<std::optional<double>, 4> low;
};

struct UnitStatistics {
  bool used = false;
  int64_t count = 0;  // measured values in the range
  double min = 0;
  double max = 0;
  double mean = 0;
  std::optional<double> sd;  // with ddof 1: none for fewer than two values
  // Samples above the upper (below the lower) limit times the interval, in seconds; none for a
  // limit switched off.
  std::optional<double> secondsAbove;
  std::optional<double> secondsBelow;
};

struct RangeStatistics {
  int32_t first = 0;  // the range of samples, 1-based; first > last for none
  int32_t last = -1;
  std::array<UnitStatistics, 4> units;
};

// The range of cursors a and b (0 = not placed): both placed, the samples between them; one, from
// it to the newest sample; none, the whole record set.
RangeStatistics ComputeStatistics(const RecordSet& set, int32_t a, int32_t b,
                                  const StatisticsLimits& limits);

// The panel's table (rich text), empty without samples.
QString StatisticsHtml(const RecordSet& set, const RangeStatistics& s);
// The same table as tab-separated lines with a header line, for a spreadsheet.
QString StatisticsTsv(const RecordSet& set, const RangeStatistics& s);
