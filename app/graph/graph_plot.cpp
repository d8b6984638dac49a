// Points of the record set on the graph, the current-value panel and the status line. A sample
// without a measured value (an empty slot, or a thermocouple the driver could not convert) is a
// gap in its curve.
#include <QLabel>
#include <algorithm>

#include "core/module_data.h"
#include "core/number_text.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"
#include "graph/status_line.h"

namespace {

// X of sample k in seconds.
double SampleTime(int32_t k, int32_t intervalTM) {
  return static_cast<double>(k) * intervalTM / 1000.0;
}

}  // namespace

void Graph::GrDrawData(int32_t dCnt) {
  if (dCnt < 1) return;
  pollDrawn_.valid = false;
  Chart2D* chart = ui_.Chart2D1;
  if (chart->NumSeries() != 4) chart->SetNumSeries(4);
  chart->BeginDataUpdate();
  const size_t slot = static_cast<size_t>(dCnt - 1);
  for (int i = 0; i < RecordSet::kUnits; ++i) chart->SetPointCount(i + 1, dCnt);
  chart->SetPointX(dCnt, SampleTime(dCnt, md_.Record.IntervalTM));
  for (int i = 0; i < RecordSet::kUnits; ++i) DrawPoint(i, dCnt, slot);
  chart->EndDataUpdate();
  // Sample dCnt again (a new record set starts at 1): the range of the window is fitted anew.
  if (dCnt <= fit_.through) {
    RefitVisibleY();
  } else {
    ExtendVisibleY();
  }
  SyncScrollBar();
}

void Graph::DrawPoint(int unitIndex, int32_t k, size_t slot) {
  // A point of the previous record set may still sit there: a sample without a value and a unit
  // that is not used clear it, so the graph never shows an old measurement as a new one.
  const UnitRecord& unit = md_.Record.Units[static_cast<size_t>(unitIndex)];
  const float v = unit.MflagID && slot < unit.Data.size() ? unit.Data[slot] : RecordSet::NoData;
  if (!RecordSet::IsMeasured(v, md_.Record.MeasKind)) {
    ui_.Chart2D1->ClearPointY(unitIndex + 1, k);
  } else {
    ui_.Chart2D1->SetPointY(unitIndex + 1, k, static_cast<double>(v));
  }
}

void Graph::GrDrawData1() {
  Chart2D* chart = ui_.Chart2D1;
  if (chart->NumSeries() != 4) chart->SetNumSeries(4);
  const int32_t count = md_.Record.SampleCount;
  const int32_t from = FirstUndrawnSample();
  chart->BeginDataUpdate();
  for (int i = 0; i < RecordSet::kUnits; ++i) chart->SetPointCount(i + 1, count);
  // X is shared by the series and written for every sample, so the curve stays in time order
  // whatever the previous record set left there.
  for (int32_t k = from; k <= count; ++k) {
    chart->SetPointX(k, SampleTime(k, md_.Record.IntervalTM));
    for (int i = 0; i < RecordSet::kUnits; ++i) DrawPoint(i, k, static_cast<size_t>(k - 1));
  }
  chart->EndDataUpdate();
  RememberPollDrawn();
  if (from <= fit_.through) {
    RefitVisibleY();
  } else {
    ExtendVisibleY();
  }
  SyncScrollBar();
}

int32_t Graph::FirstUndrawnSample() const {
  // A poll of a running measurement only appends to each unit's samples, so what the previous
  // poll drew stays as it is, up to the first slot a unit had not filled then. Anything else (no
  // measurement, another record set, other drawing in between, settings changed, a count that went
  // back) draws the record set whole.
  const PollDrawn& d = pollDrawn_;
  if (!md_.Measuring || !d.valid || md_.Record.SampleCount < d.samples ||
      d.interval != md_.Record.IntervalTM || d.kind != md_.Record.MeasKind ||
      ui_.Chart2D1->PointCount(1) != d.samples) {
    return 1;
  }
  int32_t from = d.samples + 1;
  for (size_t i = 0; i < md_.Record.Units.size(); ++i) {
    const UnitRecord& unit = md_.Record.Units[i];
    if (unit.MflagID != d.used[i] || unit.DataCount < d.counts[i]) return 1;
    if (unit.MflagID) from = std::min(from, d.counts[i] + 1);
  }
  return std::max(from, 1);
}

void Graph::RememberPollDrawn() {
  PollDrawn& d = pollDrawn_;
  d.valid = md_.Measuring;
  d.samples = md_.Record.SampleCount;
  d.interval = md_.Record.IntervalTM;
  d.kind = md_.Record.MeasKind;
  for (size_t i = 0; i < md_.Record.Units.size(); ++i) {
    d.used[i] = md_.Record.Units[i].MflagID;
    d.counts[i] = md_.Record.Units[i].DataCount;
  }
}

QString Graph::NowValueText(float v) const {
  // An open or out-of-range thermocouple says so instead of showing -300 as a temperature.
  if (!md_.Record.MeasKind && v == RecordSet::NotConverted) return NotConvertedText();
  return FormatFixed3(v);
}

void Graph::ClearNowValue() {
  for (QLabel* label : ui_.Label1) label->clear();
}

void Graph::DispNowValue() {
  const int32_t samples = md_.Record.SampleCount;
  if (samples < 1) return;
  for (size_t i = 0; i < md_.Record.Units.size(); ++i) {
    const UnitRecord& unit = md_.Record.Units[i];
    if (!unit.MflagID || static_cast<size_t>(samples) > unit.Data.size()) continue;
    ui_.Label1[i]->setText(NowValueText(unit.Data[static_cast<size_t>(samples - 1)]));
  }
}

void Graph::DispNowValueUnit() {
  for (size_t i = 0; i < md_.Record.Units.size(); ++i) {
    const UnitRecord& unit = md_.Record.Units[i];
    if (!unit.MflagID || unit.DataCount <= 0) continue;
    if (static_cast<size_t>(unit.DataCount) > unit.Data.size()) continue;
    ui_.Label1[i]->setText(NowValueText(unit.Data[static_cast<size_t>(unit.DataCount - 1)]));
  }
}

void Graph::SetRecordingProgress(int32_t file, int64_t runSamples) {
  recordingFile_ = file;
  runSamples_ = runSamples;
}

void Graph::DispStatus() {
  QLabel* label = ui_.lblStatus;
  if (!label) return;
  if (md_.Record.SampleCount < 1 && !md_.Measuring) {
    label->clear();
    label->setToolTip(QString());
    return;
  }
  const StatusLine line =
      recordingFile_ > 0
          ? MakeRecordingStatusLine(recordingFile_, md_.Record.SampleCount, RecordSet::MaxData,
                                    runSamples_, md_.Record.IntervalTM)
      : md_.ReadFrom.isEmpty()
          ? MakeStatusLine(md_.Record.SampleCount, RecordSet::MaxData, md_.Record.IntervalTM)
          : MakeReadStatusLine(md_.Record.SampleCount, md_.Record.IntervalTM);
  label->setText(line.text);
  label->setToolTip(line.text);  // the window may be narrower than the line
  // A warning in the line itself, in red: a message box would stop nobody's measurement.
  const QString sheet = line.warning ? QStringLiteral("color: #c00000;") : QString();
  if (label->styleSheet() != sheet) label->setStyleSheet(sheet);
}
