// The cursors A and B on the graph and their readout beside it.
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "core/module_data.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"

namespace {

// The stored sample nearest to time x, or 0 without samples or a time axis.
int32_t NearestSample(const ModuleData& md, double x) {
  if (md.Record.SampleCount < 1 || !(md.Record.IntervalTM > 0) || !std::isfinite(x)) return 0;
  const double k = std::round(x * 1000.0 / md.Record.IntervalTM);
  return static_cast<int32_t>(std::clamp(k, 1.0, static_cast<double>(md.Record.SampleCount)));
}

}  // namespace

void Graph::PlaceCursor(int which, double x) {
  const int32_t k = NearestSample(md_, x);
  if (k < 1) return;
  cursors_[static_cast<size_t>(which & 1)] = k;
  ShowReadout();
}

void Graph::ClearCursors() {
  SetCursors({0, 0});
}

void Graph::SetCursors(const std::array<int32_t, 2>& samples) {
  for (size_t c = 0; c < cursors_.size(); ++c) {
    cursors_[c] = samples[c] >= 1 && samples[c] <= md_.Record.SampleCount ? samples[c] : 0;
  }
  ShowReadout();
}

CursorReadout Graph::Readout() const {
  return ReadCursors(md_, cursors_[0], cursors_[1]);
}

QString Graph::HoverText(double x) const {
  const int32_t k = NearestSample(md_, x);
  return k < 1 ? QString() : SampleText(md_, k);
}

void Graph::ShowReadout() {
  static const QString kNames[2] = {QStringLiteral("A"), QStringLiteral("B")};
  for (size_t c = 0; c < cursors_.size(); ++c) {
    std::optional<double> x;
    if (cursors_[c] > 0) x = static_cast<double>(cursors_[c]) * md_.Record.IntervalTM / 1000.0;
    ui_.Chart2D1->SetCursorLine(static_cast<int>(c), x, kNames[c]);
  }
  if (ui_.lblReadout) ui_.lblReadout->setText(ReadoutText(md_, Readout()));
  if (ui_.cmdClearCursors) ui_.cmdClearCursors->setEnabled(cursors_[0] > 0 || cursors_[1] > 0);
}
