// The analysis CSV. Rows are formatted straight into bytes, without a QString per value: a full
// record set is 88000 rows. The clock time of a row comes from the C library's local zone, asked
// once per span of constant offset rather than once per row.
#include "files/analysis_csv.h"

#include <QByteArray>
#include <QDate>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/module_data.h"
#include "files/publish.h"

namespace {

constexpr int64_t kEpochJulianDay = 2440588;  // 1970-01-01
constexpr int64_t kSecondsPerDay = 86400;
// No zone changes its offset twice within this many seconds, so that an offset found equal at
// both ends of the span held throughout it.
constexpr int64_t kOffsetSpan = 6 * 3600;
constexpr float kNotConverted = -300.0f;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The local zone's offset from UTC, in seconds, at the instant t (seconds since the epoch).
int64_t ZoneOffset(int64_t t) {
  const time_t tt = static_cast<time_t>(t);
  struct tm local;
  if (!localtime_r(&tt, &local)) return 0;
  return local.tm_gmtoff;
}

// The instant of a local time given as seconds since 1970-01-01 00:00 on the local clock. The
// offsets in force a day before and after are the only ones the local time can have.
int64_t LocalToUtc(int64_t local) {
  const int64_t before = ZoneOffset(local - kSecondsPerDay);
  const int64_t after = ZoneOffset(local + kSecondsPerDay);
  // The larger offset gives the earlier instant: a repeated local time is taken the first time.
  for (const int64_t offset : {std::max(before, after), std::min(before, after)}) {
    if (ZoneOffset(local - offset) == offset) return local - offset;
  }
  return local - before;  // skipped by the clocks going forward
}

char* PutDigits(char* p, int64_t v, int width) {
  for (int i = width - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return p + width;
}

// A whole number of milliseconds as the exact decimal of seconds: 30 -> "0.03", 2000 -> "2".
char* PutSeconds(char* p, int64_t ms) {
  if (ms < 0) {
    *p++ = '-';
    ms = -ms;
  }
  p = std::to_chars(p, p + 24, ms / 1000).ptr;
  int64_t fraction = ms % 1000;
  if (fraction == 0) return p;
  *p++ = '.';
  int digits = 3;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  return PutDigits(p, fraction, digits);
}

void AppendText(std::string& out, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A memo line on one preamble line: a line break or another control character would end the
// comment and start a row, so each becomes a space.
QString OneLine(QString text) {
  for (QChar& c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  }
  return text;
}

const char* TypeLetter(int16_t type) {
  static const char* const kLetters[] = {"B", "R", "S", "N", "K", "E", "J", "T"};
  return type >= 0 && type < 8 ? kLetters[type] : nullptr;
}

}  // namespace

bool ParseStartTime(const QString& text, int64_t& utcMs) {
  static const QRegularExpression pattern(
      QStringLiteral("^\\s*([0-9]{1,4})/([0-9]{1,2})/"
                     "([0-9]{1,2})\\s+([0-9]{1,2}):([0-9]{1,2}):([0-9]{1,2})\\s*$"));
  const QRegularExpressionMatch match = pattern.match(text);
  if (!match.hasMatch()) return false;
  int f[6];
  for (int i = 0; i < 6; ++i) f[i] = match.captured(i + 1).toInt();
  const QDate date(f[0], f[1], f[2]);
  if (!date.isValid() || f[3] > 23 || f[4] > 59 || f[5] > 59) return false;
  const int64_t local =
      (date.toJulianDay() - kEpochJulianDay) * kSecondsPerDay + f[3] * 3600 + f[4] * 60 + f[5];
  tzset();  // the zone of the environment as it is now
  utcMs = LocalToUtc(local) * 1000;
  return true;
}

std::array<bool, 4> AnalysisColumns(const RecordSet& rs) {
  std::array<bool, 4> columns{};
  const int32_t count = std::clamp<int32_t>(rs.SampleCount, 0, RecordSet::MaxData);
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    const std::vector<float>& data = rs.Units[i].Data;
    columns[i] = rs.Units[i].MflagID || std::any_of(data.begin(), data.begin() + count,
                                                    [](float v) { return v != RecordSet::NoData; });
  }
  return columns;
}

bool AnalysisTableOf(const RecordSet& rs, AnalysisTable& table, QString* error) {
  auto fail = [error](const QString& reason) {
    if (error) *error = reason;
    return false;
  };
  if (!ParseStartTime(rs.StartTime, table.originMs)) {
    return fail(QStringLiteral("開始時刻「%1」を読み取れません。").arg(rs.StartTime.trimmed()));
  }
  if (rs.IntervalTM <= 0) {
    return fail(QStringLiteral("測定間隔（%1 ms）が正しくありません。").arg(rs.IntervalTM));
  }
  table.columns = AnalysisColumns(rs);
  for (int i = 0; i < RecordSet::kUnits; ++i) table.types[i] = rs.Units[i].ConnectID;
  table.intervalMs = rs.IntervalTM;
  table.timerType = rs.TimerType;
  table.average = rs.DataAverage;
  table.voltage = rs.MeasKind;
  table.memo = rs.MemoText;
  return true;
}

AnalysisCsvWriter::AnalysisCsvWriter(const AnalysisTable& table)
    : table_(table), recordSetMs_(table.originMs) {
  tzset();
}

int64_t AnalysisCsvWriter::OffsetAt(int64_t t) {
  if (t >= offsetFrom_ && t < offsetTo_) return offset_;
  offset_ = ZoneOffset(t);
  offsetFrom_ = t;
  // The first second of another offset within the span, if any, ends the offset's span.
  int64_t same = t;
  int64_t other = t + kOffsetSpan;
  if (ZoneOffset(other) == offset_) {
    offsetTo_ = other;
  } else {
    while (other - same > 1) {
      const int64_t mid = same + (other - same) / 2;
      (ZoneOffset(mid) == offset_ ? same : other) = mid;
    }
    offsetTo_ = other;
  }
  const int64_t minutes = std::abs(offset_) / 60;
  offsetText_[0] = offset_ < 0 ? '-' : '+';
  PutDigits(offsetText_ + 1, minutes / 60 % 100, 2);
  offsetText_[3] = ':';
  PutDigits(offsetText_ + 4, minutes % 60, 2);
  return offset_;
}

char* AnalysisCsvWriter::PutTime(char* p, int64_t utcMs, bool withMs) {
  const int64_t seconds = FloorDiv(utcMs, 1000);
  const int64_t local = seconds + OffsetAt(seconds);
  const int64_t day = FloorDiv(local, kSecondsPerDay);
  const int64_t secondOfDay = local - day * kSecondsPerDay;
  if (day != dayNumber_) {
    const QDate date = QDate::fromJulianDay(kEpochJulianDay + day);
    dayLength_ = static_cast<size_t>(std::snprintf(dayText_, sizeof dayText_, "%04d-%02d-%02dT",
                                                   date.year(), date.month(), date.day()));
    dayLength_ = std::min(dayLength_, sizeof dayText_ - 1);
    dayNumber_ = day;
  }
  std::memcpy(p, dayText_, dayLength_);
  p += dayLength_;
  p = PutDigits(p, secondOfDay / 3600, 2);
  *p++ = ':';
  p = PutDigits(p, secondOfDay / 60 % 60, 2);
  *p++ = ':';
  p = PutDigits(p, secondOfDay % 60, 2);
  if (withMs) {
    *p++ = '.';
    p = PutDigits(p, utcMs - seconds * 1000, 3);
  }
  std::memcpy(p, offsetText_, 6);
  return p + 6;
}

void AnalysisCsvWriter::AppendPreamble(std::string& out) {
  char buffer[64];
  out += "# program: korvale " KORVALE_VERSION "\n# start: ";
  out.append(buffer, static_cast<size_t>(PutTime(buffer, table_.originMs, false) - buffer));
  out += "\n# interval_s: ";
  out.append(buffer, static_cast<size_t>(PutSeconds(buffer, table_.intervalMs) - buffer));
  out += table_.timerType ? "\n# sampling: computer timer" : "\n# sampling: unit clock";
  out += table_.average ? "\n# averaging: on" : "\n# averaging: off";
  out += table_.voltage ? "\n# measurement: voltage (µV)\n" : "\n# measurement: temperature (°C)\n";
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    if (!table_.columns[i]) continue;
    out += "# ID" + std::to_string(i) + ": ";
    const char* letter = TypeLetter(table_.types[i]);
    if (table_.voltage) {
      out += "voltage\n";
    } else if (letter) {
      out += letter + std::string(" thermocouple\n");
    } else {
      out += "unknown thermocouple type " + std::to_string(table_.types[i]) + "\n";
    }
  }
  for (size_t i = 0; i < table_.memo.size(); ++i) {
    out += "# memo" + std::to_string(i + 1) + ": ";
    AppendText(out, OneLine(table_.memo[i]));
    out += '\n';
  }
  out += table_.voltage ? "# empty field: no value (no reading)\n"
                        : "# empty field: no value (no reading, or a thermocouple value that "
                          "could not be converted)\n";
}

void AnalysisCsvWriter::AppendHeaderRow(std::string& out) const {
  out += "time,elapsed_s,sample";
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    if (!table_.columns[i]) continue;
    out += ",ID" + std::to_string(i);
    const char* letter = TypeLetter(table_.types[i]);
    if (table_.voltage) {
      out += " (µV)";
    } else {
      if (letter) (out += ' ') += letter;
      out += " (°C)";
    }
  }
  out += '\n';
}

void AnalysisCsvWriter::AppendRows(std::string& out, const RecordSet& rs, int32_t from,
                                   int32_t to) {
  from = std::max(from, 0);
  to = std::min(to, RecordSet::MaxData);
  std::array<const float*, 4> columns{};
  int columnCount = 0;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    if (table_.columns[i]) columns[columnCount++] = rs.Units[i].Data.data();
  }
  const int64_t interval = table_.intervalMs;
  char line[256];
  for (int32_t k = from; k < to; ++k) {
    const int64_t sinceStart = (k + int64_t{1}) * interval;
    char* p = PutTime(line, recordSetMs_ + sinceStart, true);
    *p++ = ',';
    p = PutSeconds(p, recordSetMs_ - table_.originMs + sinceStart);
    *p++ = ',';
    p = std::to_chars(p, p + 24, row_++).ptr;
    for (int c = 0; c < columnCount; ++c) {
      *p++ = ',';
      const float v = columns[c][k];
      if (v == RecordSet::NoData || (!table_.voltage && v == kNotConverted)) continue;
      p = std::to_chars(p, p + 32, v).ptr;
    }
    *p++ = '\n';
    out.append(line, static_cast<size_t>(p - line));
  }
}

bool EncodeAnalysisCsv(const RecordSet& rs, std::string& out, QString* error) {
  AnalysisTable table;
  if (!AnalysisTableOf(rs, table, error)) return false;
  const int32_t count = std::clamp<int32_t>(rs.SampleCount, 0, RecordSet::MaxData);
  out.clear();
  out.reserve(1024 + static_cast<size_t>(count) * 96);
  AnalysisCsvWriter writer(table);
  writer.AppendPreamble(out);
  writer.AppendHeaderRow(out);
  writer.AppendRows(out, rs, 0, count);
  return true;
}

bool SaveAnalysisCsvFile(const RecordSet& rs, const QString& path, QString* error) {
  std::string out;
  if (!EncodeAnalysisCsv(rs, out, error)) return false;
  return ReplaceFile(path, QByteArray::fromRawData(out.data(), static_cast<qsizetype>(out.size())),
                     error);
}
