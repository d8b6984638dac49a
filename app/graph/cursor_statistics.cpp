#include "graph/cursor_statistics.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "core/number_text.h"
#include "core/record_set.h"

namespace {

// Min, max, mean and deviation of the measured values of one unit's slots first..last (0-based).
void FoldUnit(const RecordSet& set, const UnitRecord& unit, size_t first, size_t last,
              UnitStatistics& u) {
  double sum = 0;
  for (size_t k = first; k <= last; ++k) {
    const float v = unit.Data[k];
    if (!RecordSet::IsMeasured(v, set.MeasKind)) continue;
    const double d = static_cast<double>(v);
    if (u.count == 0 || d < u.min) u.min = d;
    if (u.count == 0 || d > u.max) u.max = d;
    sum += d;
    ++u.count;
  }
  if (u.count == 0) return;
  u.mean = sum / static_cast<double>(u.count);
  // The second pass over the deviations keeps the result exact where sums of squares would not.
  double squares = 0;
  for (size_t k = first; k <= last; ++k) {
    const float v = unit.Data[k];
    if (!RecordSet::IsMeasured(v, set.MeasKind)) continue;
    const double d = static_cast<double>(v) - u.mean;
    squares += d * d;
  }
  if (u.count > 1) u.sd = std::sqrt(squares / static_cast<double>(u.count - 1));
}

// Seconds the measured values of slots first..last spend past limit (above, or below).
double SecondsPast(const RecordSet& set, const UnitRecord& unit, size_t first, size_t last,
                   double limit, bool above) {
  int64_t past = 0;
  for (size_t k = first; k <= last; ++k) {
    const float v = unit.Data[k];
    if (!RecordSet::IsMeasured(v, set.MeasKind)) continue;
    if (above ? static_cast<double>(v) > limit : static_cast<double>(v) < limit) ++past;
  }
  return static_cast<double>(past) * set.IntervalTM / 1000.0;
}

QString Value(const UnitStatistics& u, double v) {
  return u.count > 0 ? FormatFixed3(v) : QStringLiteral("-");
}

QString Seconds(const std::optional<double>& s) {
  return s ? QString::number(*s, 'f', 3) : QString();
}

// The cells of one unit's row: label, min, max, mean, sd, seconds above and below.
QStringList Cells(const RecordSet& set, int i, const UnitStatistics& u) {
  return {set.UnitLabel(i),
          Value(u, u.min),
          Value(u, u.max),
          Value(u, u.mean),
          u.sd ? FormatFixed3(*u.sd) : QStringLiteral("-"),
          Seconds(u.secondsAbove),
          Seconds(u.secondsBelow)};
}

QStringList Header(const RecordSet& set) {
  const QString unit = set.MeasKind ? QStringLiteral("μV") : QStringLiteral("℃");
  return {QStringLiteral("ユニット"),
          QStringLiteral("最小 (%1)").arg(unit),
          QStringLiteral("最大 (%1)").arg(unit),
          QStringLiteral("平均 (%1)").arg(unit),
          QStringLiteral("標準偏差 (%1)").arg(unit),
          QStringLiteral("上限超過 (秒)"),
          QStringLiteral("下限未満 (秒)")};
}

}  // namespace

RangeStatistics ComputeStatistics(const RecordSet& set, int32_t a, int32_t b,
                                  const StatisticsLimits& limits) {
  RangeStatistics s;
  const int32_t n = std::min(set.SampleCount, RecordSet::MaxData);
  if (n < 1) return s;
  if (a > 0 && b > 0) {
    s.first = std::min(a, b);
    s.last = std::max(a, b);
  } else {
    s.first = a > 0 ? a : (b > 0 ? b : 1);
    s.last = n;
  }
  s.first = std::clamp(s.first, 1, n);
  s.last = std::clamp(s.last, s.first, n);
  for (size_t i = 0; i < s.units.size(); ++i) {
    const UnitRecord& unit = set.Units[i];
    UnitStatistics& u = s.units[i];
    u.used = unit.MflagID;
    if (!u.used || unit.Data.size() < static_cast<size_t>(s.last)) continue;
    const size_t first = static_cast<size_t>(s.first - 1);
    const size_t last = static_cast<size_t>(s.last - 1);
    FoldUnit(set, unit, first, last, u);
    if (limits.high[i]) u.secondsAbove = SecondsPast(set, unit, first, last, *limits.high[i], true);
    if (limits.low[i]) u.secondsBelow = SecondsPast(set, unit, first, last, *limits.low[i], false);
  }
  return s;
}

QString StatisticsHtml(const RecordSet& set, const RangeStatistics& s) {
  if (s.first > s.last) return QString();
  // Three columns like the readout above it, so that the table fits the panel: the units' rows
  // once under each pair of figures.
  const QStringList header = Header(set);
  const bool anyLimit = std::any_of(s.units.begin(), s.units.end(), [](const UnitStatistics& u) {
    return u.used && (u.secondsAbove || u.secondsBelow);
  });
  const auto row = [](const QString& a, const QString& b, const QString& c) {
    return QStringLiteral(
               "<tr><td>%1</td><td align=\"right\">%2</td><td align=\"right\">%3</td></tr>")
        .arg(a.toHtmlEscaped(), b.toHtmlEscaped(), c.toHtmlEscaped());
  };
  QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
  html +=
      row(QStringLiteral("統計"), QStringLiteral("No.%1〜").arg(s.first), QString::number(s.last));
  const int pairs = anyLimit ? 3 : 2;
  for (int pair = 0; pair < pairs; ++pair) {
    const int c = 1 + 2 * pair;
    html += row(QString(), header[c].section(QLatin1Char(' '), 0, 0),
                header[c + 1].section(QLatin1Char(' '), 0, 0));
    for (size_t i = 0; i < s.units.size(); ++i) {
      if (!s.units[i].used) continue;
      const QStringList cells = Cells(set, static_cast<int>(i), s.units[i]);
      html += row(cells[0], cells[c], cells[c + 1]);
    }
  }
  return html + QStringLiteral("</table>");
}

QString StatisticsTsv(const RecordSet& set, const RangeStatistics& s) {
  if (s.first > s.last) return QString();
  // Tabs and line breaks in a name would shift the spreadsheet's cells.
  const auto clean = [](QString cell) {
    return cell.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
  };
  QStringList lines;
  lines << Header(set).join(QLatin1Char('\t'));
  for (size_t i = 0; i < s.units.size(); ++i) {
    if (!s.units[i].used) continue;
    QStringList cells = Cells(set, static_cast<int>(i), s.units[i]);
    for (QString& cell : cells) cell = clean(cell).trimmed();
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
