// A run as InfluxDB line protocol: every value of a row as a point of measurement `korvale` with
// the tags host, name (when the channel has one), type and unit, field `value`, and the sample's
// time in nanoseconds; marks as `korvale_mark`, alarm events as `korvale_alarm`. The same series
// and time for a resent row, so that a resend overwrites rather than duplicates. Used by the
// InfluxDB destinations and by `--stream influx`.
#pragma once

#include <QString>
#include <array>
#include <string>
#include <vector>

#include "core/run_rows.h"

class LineProtocol {
 public:
  explicit LineProtocol(const QString& host);

  // Takes the run's units: their series' keys.
  void Begin(const RunBegin& run);
  // Appends a line per unit with a value, for each row.
  void AppendRows(std::string& out, const RunSample* rows, size_t count) const;
  void AppendMark(std::string& out, const RunMark& mark) const;
  void AppendAlarm(std::string& out, const RunAlarm& alarm) const;

  // text as a tag key or value (',', '=' and ' ' escaped, line breaks as blanks).
  static std::string TagText(const QString& text);
  // text as a string field's value, quoted.
  static std::string StringField(const QString& text);

 private:
  std::string host_;
  std::array<std::string, 4> seriesKey_;  // "korvale,host=..,unit=ID0 value=" per unit, or empty
};

// The time in ms as the line protocol's nanoseconds.
void AppendNanoseconds(std::string& out, int64_t ms);
