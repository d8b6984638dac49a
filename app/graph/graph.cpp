// Set-up of the graph: series, titles, the vertical range (automatic or fixed, with its
// validation) and the mapping of sample numbers onto the time axis.
#include "graph/graph.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "core/axis_range.h"
#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/number_text.h"
#include "core/operator_number.h"
#include "graph/chart2d.h"
#include "graph/graph_controls.h"
#include "graph/graph_input.h"

namespace {

const char* const kRangeError = "設定値に誤りがあります。";

}  // namespace

Graph::Graph(ModuleData& md, GraphControls& ui, DialogService& dialogs)
    : md_(md), ui_(ui), dialogs_(dialogs) {
  if (ui_.Chart2D1) input_ = std::make_unique<GraphInput>(*this, ui_);
}

Graph::~Graph() = default;

void Graph::InitGraph() {
  Chart2D* chart = ui_.Chart2D1;
  chart->SetRedrawSuspended(true);
  chart->SetNumSeries(4);
  // A full record set then fills the graph without growing its storage during a measurement.
  chart->ReservePoints(RecordSet::MaxData);
  SetGraphStyle();
  DispConnectflg();
  // The legend's look and place are the chart's own; it always lists the four labels.
  chart->SetRedrawSuspended(false);
}

void Graph::SetGraphStyle() {
  Chart2D* chart = ui_.Chart2D1;
  const int count = chart->NumSeries();
  for (int s = 1; s <= count; ++s) chart->SetSeriesStyle(s, 1, 2);
}

void Graph::DefaultRangeY(float& minV, float& maxV) const {
  const RangeY range = ::DefaultRangeY(md_.Record.MeasKind);
  minV = range.min;
  maxV = range.max;
}

void Graph::InitGraphParam(bool flg) {
  gs_.DispStart = 1;
  gs_.ScrollMode = XWindowMode::FullDisplay;
  gs_.DispCount = flg ? md_.Record.SampleCount : 100;
  gs_.DispEnd = gs_.DispCount;
  DefaultRangeY(md_.AxisMinY, md_.AxisMaxY);
  DispConnectflg();
  gs_.ScaleYMode = YRangeMode::Automatic;
  SelectOptHei(0);
  SetScaleYInput(false);
  SelectOptWid(0);
  ui_.cmdLeft->setEnabled(false);
  ui_.cmdRight->setEnabled(false);
  SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  SetAxesX(gs_.DispStart, gs_.DispEnd);
  InitDispCountList();
  ClearCursors();
}

bool Graph::SetGraphParam() {
  float defMin = 0;
  float defMax = 0;
  DefaultRangeY(defMin, defMax);

  if (gs_.ScaleYMode == YRangeMode::Fixed) {
    const std::optional<float> hi = ToSingle(ui_.txtVhi->text());
    const std::optional<float> lo = ToSingle(ui_.txtVlow->text());
    // A text that is not a number counts as a wrong range: the start must be able to stop here
    // cleanly instead of drawing with limits nobody typed.
    if (!hi || !lo || !(*hi > *lo)) {
      dialogs_.Notice(QString::fromUtf8(kRangeError));
      return false;
    }
    md_.AxisMaxY = *hi;
    md_.AxisMinY = *lo;
    SetScaleYInput(true);
  } else {
    md_.AxisMaxY = defMax;
    md_.AxisMinY = defMin;
    SetAxesY(md_.AxisMinY, md_.AxisMaxY);
    SetScaleYInput(false);
  }

  gs_.DispStart = 1;
  gs_.DispCount = gs_.ScrollMode == XWindowMode::FullDisplay ? 100 : Combo1Value();
  gs_.DispEnd = gs_.DispCount;
  EnableScrollControls(gs_.ScrollMode);
  SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  SetAxesX(gs_.DispStart, gs_.DispEnd);
  // A new record set: the cursors of the previous one have nothing to read, and its first poll
  // draws it whole.
  ClearCursors();
  pollDrawn_.valid = false;
  return true;
}

void Graph::SetAxesY(float minV, float maxV) {
  ui_.Chart2D1->SetAxisRange(Chart2D::Axis::Y, minV, maxV);
}

void Graph::SetAxesX(int32_t dcnt1, int32_t dcnt2) {
  const double interval = md_.Record.IntervalTM;
  double lo = dcnt1 * interval / 1000.0;
  double hi = dcnt2 * interval / 1000.0;
  // A file may carry an interval of zero or below, and a window may be reversed: show the ends in
  // order, and widen ends that coincide to one second, so that the axis always has a span.
  if (lo > hi) std::swap(lo, hi);
  if (!(hi > lo)) hi = lo + 1.0;
  ui_.Chart2D1->SetAxisRange(Chart2D::Axis::X, lo, hi);
  WindowShown();
}

void Graph::ResetAxesXY(bool flg) {
  if (flg) {
    gs_.DispStart = 1;
    if (gs_.ScrollMode != XWindowMode::FullDisplay) gs_.DispCount = Combo1Value();
    gs_.DispEnd = gs_.DispCount;
    SetAxesX(gs_.DispStart, gs_.DispEnd);
    return;
  }
  DefaultRangeY(md_.AxisMinY, md_.AxisMaxY);
  SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  if (gs_.ScaleYMode == YRangeMode::Fixed) {
    const auto whole = [](float v) {
      return QString::number(static_cast<qlonglong>(RoundHalfEven(v)));
    };
    ui_.txtVhi->setText(whole(md_.AxisMaxY));
    ui_.txtVlow->setText(whole(md_.AxisMinY));
  }
}

void Graph::SetGraphTitle(bool reset) {
  Chart2D* chart = ui_.Chart2D1;
  chart->SetRedrawSuspended(true);
  if (reset) SelectOptHei(0);
  GrDrawData(1);
  ClearCursors();
  chart->SetHeaderText(QStringLiteral("開始時刻 [ ") + md_.Record.StartTime + QStringLiteral(" ]"));
  chart->SetAxisTitle(Chart2D::Axis::X, QStringLiteral("開始からの経過時間（秒）"));
  chart->SetAxisTitle(Chart2D::Axis::Y,
                      md_.Record.MeasKind ? QStringLiteral("μV") : QStringLiteral("℃"));
  chart->SetHeaderAppearance(3);
  DispConnectflg();
  chart->SetRedrawSuspended(false);
}

void Graph::SetScaleYInput(bool fixed) {
  ui_.txtVhi->setEnabled(fixed);
  ui_.txtVlow->setEnabled(fixed);
  ui_.cmdSetScaleY->setEnabled(fixed);
  if (fixed) {
    ui_.txtVhi->setText(GeneralNumber(md_.AxisMaxY));
    ui_.txtVlow->setText(GeneralNumber(md_.AxisMinY));
  } else {
    ui_.txtVhi->clear();
    ui_.txtVlow->clear();
  }
  ui_.txtVhi->update();
  ui_.txtVlow->update();
}

void Graph::CalcAutoScaleY() {
  // While no sample of the record set has a value the kind's default range stays.
  const RangeY range = FitRangeY(md_.Record.AllMax, md_.Record.AllMin, md_.Record.MeasKind);
  md_.AxisMaxY = range.max;
  md_.AxisMinY = range.min;
}

void Graph::optHei_Click(int16_t index) {
  // A choice of the operator's own: a double click no longer brings back the one a zoom replaced.
  resumeYMode_.reset();
  if (index == 1) {
    gs_.ScaleYMode = YRangeMode::Fixed;
    SetScaleYInput(true);
    return;
  }
  if (index == 2) {
    // Fitted to the window now, and as the window moves or samples arrive in it.
    gs_.ScaleYMode = YRangeMode::Follow;
    SetScaleYInput(false);
    if (md_.Record.SampleCount < 1) {
      DefaultRangeY(md_.AxisMinY, md_.AxisMaxY);
      SetAxesY(md_.AxisMinY, md_.AxisMaxY);
    }
    RefitVisibleY();
    return;
  }
  gs_.ScaleYMode = YRangeMode::Automatic;
  if (md_.Record.SampleCount >= 1) {
    CalcAutoScaleY();
  } else {
    DefaultRangeY(md_.AxisMinY, md_.AxisMaxY);
  }
  SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  SetScaleYInput(false);
}

void Graph::cmdSetScaleY_Click() {
  const std::optional<float> hi = ToSingle(ui_.txtVhi->text());
  const std::optional<float> lo = ToSingle(ui_.txtVlow->text());
  if (!hi || !lo) return;
  if (*hi > *lo) {
    md_.AxisMaxY = *hi;
    md_.AxisMinY = *lo;
    SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  } else {
    dialogs_.Notice(QString::fromUtf8(kRangeError));
  }
}

void Graph::SelectOptHei(int16_t index) {
  if (QRadioButton* button = ui_.optHei[static_cast<size_t>(index)]) {
    // The handler runs once below, whether or not the form listens to the button's signals.
    const QSignalBlocker blocker(button);
    button->setChecked(true);
  }
  optHei_Click(index);
}

void Graph::DispConnectflg() {
  Chart2D* chart = ui_.Chart2D1;
  chart->ClearSeriesLabels();
  // A voltage measurement measures voltage on every unit, whatever thermocouple type it keeps.
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    chart->AddSeriesLabel(QStringLiteral("ID%1 ").arg(i) +
                          (md_.Record.MeasKind
                               ? QStringLiteral("電圧値")
                               : TcTypeName(md_.Record.Units[static_cast<size_t>(i)].ConnectID)));
  }
}
