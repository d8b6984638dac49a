// Exploring the record set: zooming and panning the time axis (wheel, drag, keys), the vertical
// zoom, the scrollbar under the graph, going back to the view of the chosen display mode, and the
// vertical range "追従" fitted to the samples in the window.
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/axis_range.h"
#include "core/module_data.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"

namespace {

// One notch of the wheel, or one press of + or -, shows 1.25 times more closely.
constexpr double kZoomPerStep = 1.25;
// The closest view still spans a few sampling steps.
constexpr double kMinWidth = 4.0;
// Zooming out goes at least as wide as the window at start-up (100 samples).
constexpr double kMinMaxWidth = 99.0;
// The vertical range never leaves +-1e6 (far beyond either measurement kind) and never narrows
// below what a single can tell apart.
constexpr double kLimitY = 1.0e6;
constexpr double kMinSpanY = 0.01;
// Window edges read back from the axis are sample numbers up to rounding.
constexpr double kEdgeSlack = 1e-6;

int32_t ToSample(double v) {
  const double limit = std::numeric_limits<int32_t>::max() / 2;
  return static_cast<int32_t>(std::lround(std::clamp(v, -limit, limit)));
}

}  // namespace

std::pair<double, double> Graph::ShownWindow() const {
  const double interval = md_.Record.IntervalTM;
  const Chart2D* chart = ui_.Chart2D1;
  if (!(interval > 0)) return {gs_.DispStart, gs_.DispEnd};
  return {chart->AxisMin(Chart2D::Axis::X) * 1000.0 / interval,
          chart->AxisMax(Chart2D::Axis::X) * 1000.0 / interval};
}

void Graph::ShowWindow(double first, double last) {
  gs_.DispStart = ToSample(first);
  gs_.DispEnd = ToSample(last);
  gs_.DispCount = gs_.DispEnd - gs_.DispStart + 1;
  const double interval = md_.Record.IntervalTM;
  ui_.Chart2D1->SetAxisRange(Chart2D::Axis::X, first * interval / 1000.0, last * interval / 1000.0);
  WindowShown();
}

void Graph::WindowShown() {
  SyncScrollBar();
  RefitVisibleY();
}

void Graph::SyncScrollBar() {
  QScrollBar* bar = ui_.hsbWindow;
  if (!bar) return;
  // The bar spans the record set and the window, wherever the window is; its handle is the window.
  const int32_t width = std::max(gs_.DispEnd - gs_.DispStart, 1);
  const int32_t lo = std::min(1, gs_.DispStart);
  const int32_t hi = std::max(std::max(md_.Record.SampleCount, gs_.DispEnd) - width, lo);
  const QSignalBlocker blocker(bar);
  if (bar->minimum() != lo || bar->maximum() != hi) bar->setRange(lo, hi);
  if (bar->pageStep() != width) {
    bar->setPageStep(width);
    bar->setSingleStep(std::max(width / 10, 1));
  }
  if (bar->value() != gs_.DispStart) bar->setValue(gs_.DispStart);
}

void Graph::StopFollowing() {
  if (gs_.ScrollMode == XWindowMode::ManualScroll) return;
  resumeMode_ = gs_.ScrollMode;
  gs_.ScrollMode = XWindowMode::ManualScroll;
  if (QRadioButton* manual = ui_.optWid[2]) {
    const QSignalBlocker blocker(manual);
    manual->setChecked(true);
  }
  EnableScrollControls(XWindowMode::ManualScroll);
}

void Graph::ZoomX(double x, double steps) {
  if (!(md_.Record.IntervalTM > 0) || !(steps != 0)) return;
  const auto [a, b] = ShownWindow();
  const double width = b - a;
  if (!(width > 0)) return;
  const double centre = x * 1000.0 / md_.Record.IntervalTM;
  const double last = std::max(md_.Record.SampleCount, 1);
  double zoomed = width / std::pow(kZoomPerStep, steps);
  if (steps > 0) {
    zoomed = std::max(zoomed, std::min(width, kMinWidth));
  } else {
    zoomed = std::min(zoomed, std::max({width, last - 1.0, kMinMaxWidth}));
  }
  if (zoomed == width) return;
  // The sample under the pointer keeps its place in the window.
  double first = centre - (centre - a) * (zoomed / width);
  // Near an end, a wider window stops there instead of showing more empty time than before.
  first = std::min(first, std::max(last, b) - zoomed);
  first = std::max(first, std::min(1.0, a));
  StopFollowing();
  ShowWindow(first, first + zoomed);
}

void Graph::PanX(double dx) {
  if (!(md_.Record.IntervalTM > 0)) return;
  const auto [a, b] = ShownWindow();
  const double width = b - a;
  const double last = std::max(md_.Record.SampleCount, 1);
  const double shift = dx * 1000.0 / md_.Record.IntervalTM;
  double first = a + shift;
  // The window stops with its edge on the first or the last sample; a window already beyond
  // an end (while the display follows a measurement) is not pulled back.
  if (shift > 0) {
    first = std::min(first, std::max(a, last - width));
  } else {
    first = std::max(first, std::min(a, 1.0));
  }
  if (!(first != a)) return;
  StopFollowing();
  ShowWindow(first, first + width);
}

void Graph::ScrollTo(int32_t first) {
  if (md_.Record.IntervalTM > 0)
    PanX((first - ShownWindow().first) * md_.Record.IntervalTM / 1000.0);
  // A handle moved where the window cannot go springs back.
  SyncScrollBar();
}

void Graph::GoHome() {
  if (!(md_.Record.IntervalTM > 0)) return;
  PanX((1.0 - ShownWindow().first) * md_.Record.IntervalTM / 1000.0);
}

void Graph::GoEnd() {
  if (md_.Measuring && (resumeMode_ || gs_.ScrollMode != XWindowMode::ManualScroll)) {
    ReturnToChosenView();
    return;
  }
  if (!(md_.Record.IntervalTM > 0)) return;
  const auto [a, b] = ShownWindow();
  const double last = std::max(md_.Record.SampleCount, 1);
  PanX((last - b) * md_.Record.IntervalTM / 1000.0);
}

void Graph::ReturnToChosenView() {
  const std::optional<YRangeMode> rangeMode = resumeYMode_;
  SelectOptWid(static_cast<int16_t>(resumeMode_.value_or(gs_.ScrollMode)));
  if (rangeMode) SelectOptHei(static_cast<int16_t>(*rangeMode));
}

bool Graph::KeyPress(int key, Qt::KeyboardModifiers /*modifiers*/) {
  const auto [a, b] = ShownWindow();
  const double tenth = (b - a) / 10.0 * md_.Record.IntervalTM / 1000.0;
  const double centre = (a + b) / 2.0 * md_.Record.IntervalTM / 1000.0;
  switch (key) {
    case Qt::Key_Left:
      PanX(-tenth);
      break;
    case Qt::Key_Right:
      PanX(tenth);
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      ZoomX(centre, 1.0);
      break;
    case Qt::Key_Minus:
      ZoomX(centre, -1.0);
      break;
    case Qt::Key_Home:
      GoHome();
      break;
    case Qt::Key_End:
      GoEnd();
      break;
    case Qt::Key_Escape:
      ClearCursors();
      break;
    default:
      return false;
  }
  return true;
}

void Graph::ZoomY(double y, double steps) {
  const Chart2D* chart = ui_.Chart2D1;
  const double lo = chart->AxisMin(Chart2D::Axis::Y);
  const double hi = chart->AxisMax(Chart2D::Axis::Y);
  const double factor = std::pow(kZoomPerStep, steps);
  FixRangeY(y - (y - lo) / factor, y + (hi - y) / factor);
}

void Graph::PanY(double dy) {
  const Chart2D* chart = ui_.Chart2D1;
  FixRangeY(chart->AxisMin(Chart2D::Axis::Y) + dy, chart->AxisMax(Chart2D::Axis::Y) + dy);
}

void Graph::FixRangeY(double lo, double hi) {
  const double span = hi - lo;
  const double reach = std::max(std::fabs(lo), std::fabs(hi));
  if (!(reach <= kLimitY) || !(span >= std::max(kMinSpanY, reach * 1e-5))) return;
  const auto flo = static_cast<float>(lo);
  const auto fhi = static_cast<float>(hi);
  const std::optional<YRangeMode> before =
      gs_.ScaleYMode == YRangeMode::Fixed ? resumeYMode_ : std::optional(gs_.ScaleYMode);
  md_.AxisMinY = flo;
  md_.AxisMaxY = fhi;
  SetAxesY(flo, fhi);
  // "固定" writes the limits shown into the boxes.
  SelectOptHei(1);
  resumeYMode_ = before;
}

// ---- "追従": the vertical range fitted to the samples in the window ----

void Graph::RefitVisibleY() {
  if (gs_.ScaleYMode != YRangeMode::Follow) return;
  const auto [a, b] = ShownWindow();
  fit_ = VisibleFit{};
  fit_.first = ToSample(std::max(1.0, std::ceil(a - kEdgeSlack)));
  fit_.last = ToSample(std::min<double>(std::floor(b + kEdgeSlack), RecordSet::MaxData));
  fit_.through = fit_.first - 1;
  ExtendVisibleY();
}

void Graph::ExtendVisibleY() {
  if (gs_.ScaleYMode != YRangeMode::Follow) return;
  const int32_t end = std::min(fit_.last, md_.Record.SampleCount);
  for (int32_t k = fit_.through + 1; k <= end; ++k) FoldVisibleSample(k);
  fit_.through = std::max(fit_.through, end);
  ApplyVisibleFit();
}

void Graph::FoldVisibleSample(int32_t k) {
  const auto slot = static_cast<size_t>(k - 1);
  for (const UnitRecord& unit : md_.Record.Units) {
    if (!unit.MflagID || slot >= unit.Data.size()) continue;
    const float v = unit.Data[slot];
    if (!RecordSet::IsMeasured(v, md_.Record.MeasKind)) continue;
    if (!fit_.has) {
      fit_.max = fit_.min = v;
      fit_.has = true;
    } else {
      fit_.max = std::max(fit_.max, v);
      fit_.min = std::min(fit_.min, v);
    }
  }
}

void Graph::ApplyVisibleFit() {
  // A window without a measured sample keeps the range it has.
  if (!fit_.has) return;
  const RangeY range = FitRangeY(fit_.max, fit_.min, md_.Record.MeasKind);
  if (range.min == md_.AxisMinY && range.max == md_.AxisMaxY) return;
  md_.AxisMinY = range.min;
  md_.AxisMaxY = range.max;
  SetAxesY(md_.AxisMinY, md_.AxisMaxY);
}
