#include "graph/graph_follow.h"

#include <algorithm>

#include "core/axis_range.h"
#include "core/module_data.h"
#include "graph/chart2d.h"
#include "graph/graph.h"

void AutoRangeY::Apply(bool first) {
  if (graph_.State().ScaleYMode != YRangeMode::Automatic) return;
  if (first || !fitted_) {
    // Fitted at the first sample, or at the first one with a value when every unit failed to
    // read before: until then the kind's default range stays.
    fitted_ = md_.Record.HasExtremes();
    if (!fitted_ && !first) return;
    const RangeY range = FitRangeY(md_.Record.AllMax, md_.Record.AllMin, md_.Record.MeasKind);
    md_.AxisMaxY = range.max;
    md_.AxisMinY = range.min;
    graph_.SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  } else if (md_.RoundAxisY() >= 1) {
    graph_.SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  }
}

void ReplayRecordSet(ModuleData& md, Graph& graph, Chart2D& chart, AutoRangeY& range,
                     const std::function<void()>& whileShown) {
  chart.SetRedrawSuspended(true);
  graph.InitGraphParam(true);
  if (graph.SetGraphParam()) {
    chart.SetHeaderText(QStringLiteral("開始時刻  ") + md.Record.StartTime);
    chart.SetHeaderAppearance(3);
  }

  // A record set never holds more than the buffers do.
  const int32_t n = std::min(md.Record.SampleCount, RecordSet::MaxData);
  md.Record.SampleCount = 0;
  md.Measuring = true;
  range.Restart();
  for (int32_t i = 1; i <= n; ++i) {
    md.Record.SampleCount = i;
    md.Record.UpdateUnitMaxMin(i);
    md.Record.UpdateAllMaxMin();
    range.Apply(i == 1);
    graph.AdvanceAxesX();
    graph.GrDrawData(i);
  }
  if (whileShown) whileShown();
  graph.DispStatus();
  if (chart.IsRedrawSuspended()) chart.SetRedrawSuspended(false);
  md.Record.SampleCount = 0;
  md.Measuring = false;
}
