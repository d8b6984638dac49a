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
    graph_.State().AxisMaxY = range.max;
    graph_.State().AxisMinY = range.min;
    graph_.SetAxesY(graph_.State().AxisMinY, graph_.State().AxisMaxY);
  } else if (graph_.State().RoundAxisY(md_.Record) >= 1) {
    graph_.SetAxesY(graph_.State().AxisMinY, graph_.State().AxisMaxY);
  }
}

void AutoRangeY::ApplyThrough(const RecordSet& record, int32_t n) {
  if (graph_.State().ScaleYMode != YRangeMode::Automatic || n < 1) return;
  // The extremes of samples 1..k as they grow, folded as the acquisition folds them; while none
  // has a value they stay inverted, as a new record set's do.
  const RangeY none = DefaultRangeY(record.MeasKind);
  float allMax = none.min;
  float allMin = none.max;
  bool has = false;
  bool fitted = false;
  GraphState& state = graph_.State();
  for (int32_t k = 1; k <= n; ++k) {
    const auto slot = static_cast<size_t>(k - 1);
    for (const UnitRecord& unit : record.Units) {
      if (!unit.MflagID || slot >= unit.Data.size()) continue;
      const float v = unit.Data[slot];
      if (!RecordSet::IsMeasured(v, record.MeasKind)) continue;
      allMax = has ? std::max(allMax, v) : v;
      allMin = has ? std::min(allMin, v) : v;
      has = true;
    }
    if (k == 1 || !fitted) {
      fitted = has;
      if (!fitted && k != 1) continue;
      const RangeY range = FitRangeY(allMax, allMin, record.MeasKind);
      state.AxisMaxY = range.max;
      state.AxisMinY = range.min;
    } else {
      state.RoundAxisY(allMax, allMin);
    }
  }
  fitted_ = fitted;
  graph_.SetAxesY(state.AxisMinY, state.AxisMaxY);
}

void DrawRecordSet(const RecordSet& record, Graph& graph, Chart2D& chart, AutoRangeY& range) {
  chart.SetRedrawSuspended(true);
  graph.InitGraphParam(true);
  if (graph.SetGraphParam()) {
    chart.SetHeaderText(QStringLiteral("開始時刻  ") + record.StartTime);
    chart.SetHeaderAppearance(3);
  }
  // A record set never holds more than the buffers do.
  const int32_t n = std::min(record.SampleCount, RecordSet::MaxData);
  range.Restart();
  range.ApplyThrough(record, n);
  graph.AdvanceAxesXThrough(n);
  if (n >= 1) graph.GrDrawData1();
  graph.ShowStatistics();
  graph.DispStatus();
  if (chart.IsRedrawSuspended()) chart.SetRedrawSuspended(false);
}
