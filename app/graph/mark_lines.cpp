#include "graph/mark_lines.h"

#include <QStringList>
#include <algorithm>

#include "core/number_text.h"
#include "core/record_set.h"

QString MarkLabel(const Mark& mark) {
  QString text = mark.text.simplified();
  if (text.size() > kMarkLabelLength) text = text.left(kMarkLabelLength - 1) + QChar(0x2026);
  return QStringLiteral("%1 %2").arg(mark.number).arg(text);
}

std::vector<Chart2D::MarkLine> MarkLinesOf(const RecordSet& set) {
  std::vector<Chart2D::MarkLine> lines;
  lines.reserve(set.Marks.size());
  for (const Mark& m : set.Marks) {
    lines.push_back({static_cast<double>(m.sample) * set.IntervalTM / 1000.0, MarkLabel(m)});
  }
  return lines;
}

QString MarkListText(const RecordSet& set, const Mark& mark) {
  return QStringLiteral("%1  %2 秒  %3")
      .arg(mark.number)
      .arg(SampleTimeText(mark.sample, set.IntervalTM))
      .arg(mark.text.simplified());
}

QString MarkTextsAt(const RecordSet& set, int32_t k) {
  QStringList lines;
  const auto first = std::lower_bound(set.Marks.begin(), set.Marks.end(), k,
                                      [](const Mark& m, int32_t s) { return m.sample < s; });
  for (auto it = first; it != set.Marks.end() && it->sample == k; ++it) {
    lines << QStringLiteral("マーク %1: %2").arg(it->number).arg(it->text);
  }
  return lines.join(QLatin1Char('\n'));
}
