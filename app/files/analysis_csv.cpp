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
#include "files/analysis_rows.h"
#include "files/local_time_text.h"
#include "files/publish.h"

namespace {

constexpr int64_t kEpochJulianDay = 2440588;  // 1970-01-01
constexpr int64_t kSecondsPerDay = 86400;
constexpr float kNotConverted = -300.0f;

// The instant of a local time given as seconds since 1970-01-01 00:00 on the local clock. The
// offsets in force a day before and after are the only ones the local time can have.
int64_t LocalToUtc(int64_t local) {
  const int64_t before = LocalZoneOffset(local - kSecondsPerDay);
  const int64_t after = LocalZoneOffset(local + kSecondsPerDay);
  // The larger offset gives the earlier instant: a repeated local time is taken the first time.
  for (const int64_t offset : {std::max(before, after), std::min(before, after)}) {
    if (LocalZoneOffset(local - offset) == offset) return local - offset;
  }
  return local - before;  // skipped by the clocks going forward
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

}  // namespace

const char* TypeLetter(int16_t type) {
  static const char* const kLetters[] = {"B", "R", "S", "N", "K", "E", "J", "T"};
  return type >= 0 && type < 8 ? kLetters[type] : nullptr;
}

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
  if (rs.HasStartMs) {
    table.originMs = rs.StartMs;
  } else if (!ParseStartTime(rs.StartTime, table.originMs)) {
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
  for (int i = 0; i < RecordSet::kUnits; ++i) table.names[i] = rs.Units[i].Name;
  return true;
}

AnalysisCsvWriter::AnalysisCsvWriter(const AnalysisTable& table)
    : table_(table), recordSetMs_(table.originMs) {}

void AnalysisCsvWriter::AppendPreamble(std::string& out) {
  char buffer[64];
  out += "# program: korvale " KORVALE_VERSION "\n# start: ";
  out.append(buffer, static_cast<size_t>(time_.Put(buffer, table_.originMs, false) - buffer));
  out += "\n# interval_s: ";
  out.append(buffer, static_cast<size_t>(PutElapsedSeconds(buffer, table_.intervalMs) - buffer));
  out += table_.timerType ? "\n# sampling: computer timer" : "\n# sampling: unit clock";
  out += table_.average ? "\n# averaging: on" : "\n# averaging: off";
  out += table_.voltage ? "\n# measurement: voltage (µV)\n" : "\n# measurement: temperature (°C)\n";
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    if (!table_.columns[i]) continue;
    out += "# ID" + std::to_string(i) + ": ";
    const char* letter = TypeLetter(table_.types[i]);
    if (table_.voltage) {
      out += "voltage";
    } else if (letter) {
      out += letter + std::string(" thermocouple");
    } else {
      out += "unknown thermocouple type " + std::to_string(table_.types[i]);
    }
    if (!table_.names[i].isEmpty()) {
      out += ", ";
      AppendText(out, OneLine(table_.names[i]));
    }
    out += '\n';
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
    QString header = QStringLiteral("ID%1").arg(i);
    if (!table_.names[i].isEmpty()) header += QLatin1Char(' ') + table_.names[i];
    const char* letter = TypeLetter(table_.types[i]);
    if (table_.voltage) {
      header += QStringLiteral(" (µV)");
    } else {
      if (letter) header += QLatin1Char(' ') + QLatin1String(letter);
      header += QStringLiteral(" (°C)");
    }
    out += ',';
    AppendCsvField(out, header);
  }
  out += ",mark\n";
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
  const std::vector<Mark>& marks = rs.Marks;
  size_t nextMark = static_cast<size_t>(
      std::lower_bound(marks.begin(), marks.end(), from + 1,
                       [](const Mark& m, int32_t sample) { return m.sample < sample; }) -
      marks.begin());
  char line[256];
  for (int32_t k = from; k < to; ++k) {
    const int64_t sinceStart = (k + int64_t{1}) * interval;
    char* p = time_.Put(line, recordSetMs_ + sinceStart, true);
    *p++ = ',';
    p = PutElapsedSeconds(p, recordSetMs_ - table_.originMs + sinceStart);
    *p++ = ',';
    p = std::to_chars(p, p + 24, row_++).ptr;
    for (int c = 0; c < columnCount; ++c) {
      *p++ = ',';
      const float v = columns[c][k];
      if (v == RecordSet::NoData || (!table_.voltage && v == kNotConverted)) continue;
      p = std::to_chars(p, p + 32, v).ptr;
    }
    *p++ = ',';
    if (nextMark < marks.size() && marks[nextMark].sample == k + 1) {
      out.append(line, static_cast<size_t>(p - line));
      PutMarks(out, marks, &nextMark, k + 1);
      out += '\n';
      continue;
    }
    *p++ = '\n';
    out.append(line, static_cast<size_t>(p - line));
  }
}

void AnalysisCsvWriter::PutMarks(std::string& out, const std::vector<Mark>& marks, size_t* next,
                                 int32_t sample) {
  QString texts;
  for (; *next < marks.size() && marks[*next].sample == sample; ++*next) {
    if (!texts.isEmpty()) texts += QStringLiteral(" / ");
    texts += marks[*next].text;
  }
  AppendCsvField(out, texts);
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
