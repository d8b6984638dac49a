// Points of the record set on the graph, the current-value panel and the status line.
#include <QLabel>

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
  Chart2D* chart = ui_.Chart2D1;
  if (chart->NumSeries() != 4) chart->SetNumSeries(4);
  chart->BeginDataUpdate();
  const size_t slot = static_cast<size_t>(dCnt - 1);
  for (int i = 0; i < ModuleData::kUnits; ++i) chart->SetPointCount(i + 1, dCnt);
  chart->SetPointX(dCnt, SampleTime(dCnt, md_.IntervalTM));
  for (int i = 0; i < ModuleData::kUnits; ++i) DrawPoint(i, dCnt, slot);
  chart->EndDataUpdate();
}

void Graph::DrawPoint(int unitIndex, int32_t k, size_t slot) {
  // A point of the previous record set may still sit there: a sample without a value and a unit
  // that is not used clear it, so the graph never shows an old measurement as a new one.
  const UnitRecord& unit = md_.Units[static_cast<size_t>(unitIndex)];
  const float v = unit.MflagID && slot < unit.Data.size() ? unit.Data[slot] : ModuleData::NoData;
  if (v == ModuleData::NoData) {
    ui_.Chart2D1->ClearPointY(unitIndex + 1, k);
  } else {
    ui_.Chart2D1->SetPointY(unitIndex + 1, k, static_cast<double>(v));
  }
}

void Graph::GrDrawData1() {
  Chart2D* chart = ui_.Chart2D1;
  if (chart->NumSeries() != 4) chart->SetNumSeries(4);
  chart->BeginDataUpdate();
  const int32_t count = md_.SampleCount;
  for (int i = 0; i < ModuleData::kUnits; ++i) chart->SetPointCount(i + 1, count);
  // X is shared by the series and written for every sample, so the curve stays in time order
  // whatever the previous record set left there.
  for (int32_t k = 1; k <= count; ++k) {
    chart->SetPointX(k, SampleTime(k, md_.IntervalTM));
    for (int i = 0; i < ModuleData::kUnits; ++i) DrawPoint(i, k, static_cast<size_t>(k - 1));
  }
  chart->EndDataUpdate();
}

void Graph::ClearNowValue() {
  for (QLabel* label : ui_.Label1) label->clear();
}

void Graph::DispNowValue() {
  const int32_t samples = md_.SampleCount;
  if (samples < 1) return;
  for (size_t i = 0; i < md_.Units.size(); ++i) {
    const UnitRecord& unit = md_.Units[i];
    if (!unit.MflagID || static_cast<size_t>(samples) > unit.Data.size()) continue;
    ui_.Label1[i]->setText(FormatFixed3(unit.Data[static_cast<size_t>(samples - 1)]));
  }
}

void Graph::DispNowValueUnit() {
  for (size_t i = 0; i < md_.Units.size(); ++i) {
    const UnitRecord& unit = md_.Units[i];
    if (!unit.MflagID || unit.DataCount <= 0) continue;
    if (static_cast<size_t>(unit.DataCount) > unit.Data.size()) continue;
    ui_.Label1[i]->setText(FormatFixed3(unit.Data[static_cast<size_t>(unit.DataCount - 1)]));
  }
}

void Graph::DispStatus() {
  QLabel* label = ui_.lblStatus;
  if (!label) return;
  if (md_.SampleCount < 1 && !md_.Measuring) {
    label->clear();
    return;
  }
  const StatusLine line = md_.ReadFrom.isEmpty()
                              ? MakeStatusLine(md_.SampleCount, ModuleData::MaxData, md_.IntervalTM)
                              : MakeReadStatusLine(md_.SampleCount, md_.IntervalTM);
  label->setText(line.text);
  // A warning in the line itself, in red: a message box would stop nobody's measurement.
  const QString sheet = line.warning ? QStringLiteral("color: #c00000;") : QString();
  if (label->styleSheet() != sheet) label->setStyleSheet(sheet);
}
