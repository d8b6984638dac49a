#include "files/analysis_rows.h"

#include <QByteArray>
#include <charconv>
#include <cmath>

namespace {

void AppendText(std::string& out, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The thermocouple letter of a column's type text; empty for a type without one.
QString TypeLetter(const QString& type) {
  return type.size() == 1 && QStringLiteral("BRSNKEJT").contains(type) ? type : QString();
}

}  // namespace

char* PutElapsedSeconds(char* p, int64_t ms) {
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
  return PutDecimalDigits(p, fraction, digits);
}

void AppendCsvField(std::string& out, const QString& text) {
  QString field = text;
  field.replace(QLatin1String("\r\n"), QLatin1String(" "));
  field.replace(QLatin1Char('\r'), QLatin1Char(' '));
  field.replace(QLatin1Char('\n'), QLatin1Char(' '));
  if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"'))) {
    AppendText(out, field);
    return;
  }
  field.replace(QLatin1String("\""), QLatin1String("\"\""));
  out += '"';
  AppendText(out, field);
  out += '"';
}

void AppendRunHeaderRow(std::string& out, const RunBegin& run) {
  out += "time,elapsed_s,sample";
  for (const RunUnit& unit : run.units) {
    QString header = QStringLiteral("ID%1").arg(unit.unit);
    if (!unit.name.isEmpty()) header += QLatin1Char(' ') + unit.name;
    if (run.voltage) {
      header += QStringLiteral(" (µV)");
    } else {
      const QString letter = TypeLetter(unit.type);
      if (!letter.isEmpty()) header += QLatin1Char(' ') + letter;
      header += QStringLiteral(" (°C)");
    }
    out += ',';
    AppendCsvField(out, header);
  }
  out += ",mark\n";
}

void AnalysisRowText::Append(std::string& out, int64_t sample, int64_t timeMs, const float* values,
                             int columns, const QString& marks) {
  char line[256];
  char* p = time_.Put(line, timeMs, true);
  *p++ = ',';
  p = PutElapsedSeconds(p, timeMs - originMs_);
  *p++ = ',';
  p = std::to_chars(p, p + 24, sample).ptr;
  for (int c = 0; c < columns; ++c) {
    *p++ = ',';
    if (!std::isnan(values[c])) p = std::to_chars(p, p + 32, values[c]).ptr;
  }
  *p++ = ',';
  out.append(line, static_cast<size_t>(p - line));
  if (!marks.isEmpty()) AppendCsvField(out, marks);
  out += '\n';
}
