#include "graph/cursor_readout.h"

#include <QStringList>

#include "core/module_data.h"
#include "core/number_text.h"

namespace {

const char* const kNoValue = "----";

QString UnitName(const ModuleData& md) {
  return md.Record.MeasKind ? QStringLiteral("μV") : QStringLiteral("℃");
}

QString ValueText(const UnitAtCursors& u, size_t at) {
  if (u.value[at]) return FormatFixed3(*u.value[at]);
  return u.notConverted[at] ? NotConvertedText() : QString::fromUtf8(kNoValue);
}

QString Cell(const QString& text) {
  return QStringLiteral("<td align=\"right\">&nbsp;") + text + QStringLiteral("</td>");
}

QString Row(const QString& head, const QString& a, const QString& b) {
  return QStringLiteral("<tr><td>") + head + QStringLiteral("</td>") + Cell(a) + Cell(b) +
         QStringLiteral("</tr>");
}

QString Guide() {
  return QStringLiteral(
      "クリック: カーソルA<br>Shift+クリック: カーソルB<br>Esc: カーソル消去<br>"
      "ホイール: 時間軸の拡大・縮小<br>Ctrl+ホイール: 縦軸の拡大・縮小<br>"
      "ドラッグ: 移動（Ctrl: 縦軸）<br>ダブルクリック: 元の表示");
}

}  // namespace

QString NotConvertedText() {
  return QStringLiteral("断線?");
}

CursorReadout ReadCursors(const ModuleData& md, int32_t a, int32_t b) {
  CursorReadout r;
  r.sample = {a, b};
  for (size_t c = 0; c < 2; ++c)
    r.seconds[c] = static_cast<double>(r.sample[c]) * md.Record.IntervalTM / 1000.0;
  if (a > 0 && b > 0) r.deltaSeconds = r.seconds[1] - r.seconds[0];
  for (size_t i = 0; i < r.units.size(); ++i) {
    const UnitRecord& unit = md.Record.Units[i];
    UnitAtCursors& u = r.units[i];
    u.used = unit.MflagID;
    if (!u.used) continue;
    for (size_t c = 0; c < 2; ++c) {
      const int32_t k = r.sample[c];
      if (k < 1 || k > md.Record.SampleCount || static_cast<size_t>(k) > unit.Data.size()) continue;
      const float v = unit.Data[static_cast<size_t>(k - 1)];
      if (RecordSet::IsMeasured(v, md.Record.MeasKind)) {
        u.value[c] = v;
      } else {
        u.notConverted[c] = v == RecordSet::NotConverted;
      }
    }
    if (!u.value[0] || !u.value[1]) continue;
    // Differences of the stored singles, taken in double so that they are exact.
    u.delta = static_cast<double>(*u.value[1]) - static_cast<double>(*u.value[0]);
    if (r.deltaSeconds && *r.deltaSeconds != 0)
      u.slopePerMinute = *u.delta / *r.deltaSeconds * 60.0;
  }
  return r;
}

QString ReadoutText(const ModuleData& md, const CursorReadout& r) {
  if (r.sample[0] < 1 && r.sample[1] < 1) return Guide();
  const auto time = [&](size_t c) {
    return r.sample[c] > 0 ? SampleTimeText(r.sample[c], md.Record.IntervalTM) : QString();
  };
  const auto value = [&](const UnitAtCursors& u, size_t c) {
    return r.sample[c] > 0 ? ValueText(u, c) : QString();
  };
  QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
  html += Row(QString(), QStringLiteral("<b>A</b>"), QStringLiteral("<b>B</b>"));
  html += Row(QStringLiteral("秒"), time(0), time(1));
  for (size_t i = 0; i < r.units.size(); ++i) {
    const UnitAtCursors& u = r.units[i];
    if (u.used) html += Row(QStringLiteral("ID%1").arg(i), value(u, 0), value(u, 1));
  }
  if (r.deltaSeconds) {
    const QString unit = UnitName(md);
    html +=
        Row(QStringLiteral("Δt"),
            SampleTimeText(r.sample[1] - r.sample[0], md.Record.IntervalTM) + QStringLiteral(" 秒"),
            QString());
    html +=
        Row(QString(), (md.Record.MeasKind ? QStringLiteral("ΔV ") : QStringLiteral("ΔT ")) + unit,
            unit + QStringLiteral("/分"));
    for (size_t i = 0; i < r.units.size(); ++i) {
      const UnitAtCursors& u = r.units[i];
      if (!u.used) continue;
      html += Row(QStringLiteral("ID%1").arg(i),
                  u.delta ? FormatFixed3(*u.delta) : QString::fromUtf8(kNoValue),
                  u.slopePerMinute ? FormatFixed3(*u.slopePerMinute) : QString::fromUtf8(kNoValue));
    }
  }
  return html + QStringLiteral("</table>");
}

QString SampleText(const ModuleData& md, int32_t k) {
  const CursorReadout r = ReadCursors(md, k, 0);
  QStringList lines;
  lines << SampleTimeText(k, md.Record.IntervalTM) + QStringLiteral(" 秒  (No.%1)").arg(k);
  for (size_t i = 0; i < r.units.size(); ++i) {
    if (r.units[i].used) lines << QStringLiteral("ID%1  ").arg(i) + ValueText(r.units[i], 0);
  }
  return lines.join(QLatin1Char('\n'));
}
