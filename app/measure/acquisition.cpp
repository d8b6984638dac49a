// Start and stop of a measurement and the replay of a record set read from a file. The timer
// handlers are in acquisition_sampling.cpp.
#include "measure/acquisition.h"

#include <QDateTime>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cmath>
#include <limits>

#include "core/axis_range.h"
#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/operator_number.h"
#include "core/settings_rules.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "measure/form_main.h"
#include "measure/main_controls.h"

namespace {

const QString kEraseQuestion =
    QStringLiteral("測定を開始するとデータが消去されます。よろしいですか？");
const QString kTimerError = QStringLiteral("タイマー設定エラーのため測定開始できません。");
const QString kStartError = QStringLiteral("エラーのため測定開始できません。");

}  // namespace

Acquisition::Acquisition(ModuleData& md, MDX4A& driver, DialogService& dialogs, MainControls& ui,
                         Graph& graph, FormMain& form)
    : md_(md), driver_(driver), dialogs_(dialogs), ui_(ui), graph_(graph), form_(form) {}

QString Acquisition::FormatStartTime(const QDateTime& t) {
  const QDate d = t.date();
  const QTime c = t.time();
  return QStringLiteral("%1/%2/%3 %4:%5:%6")
      .arg(d.year(), 4, 10, QLatin1Char('0'))
      .arg(d.month())
      .arg(d.day())
      .arg(c.hour())
      .arg(c.minute())
      .arg(c.second());
}

int16_t Acquisition::UnitRate() const {
  if (md_.DataAverage) return 1;
  // The units take their interval in steps of 10 ms; the driver refuses what is out of range.
  const double rate = RoundHalfEven(md_.IntervalTM / 10.0);
  if (rate > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (rate < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(rate);
}

void Acquisition::ResumeRedraw() {
  if (ui_.Chart2D1 && ui_.Chart2D1->IsRedrawSuspended()) ui_.Chart2D1->SetRedrawSuspended(false);
}

void Acquisition::ApplyAutoScaleY(bool first) {
  if (graph_.State().ScaleYMode != YRangeMode::Automatic) return;
  if (first || !fitted_) {
    // Fitted at the first sample, or at the first one with a value when every unit failed to
    // read before: until then the kind's default range stays.
    fitted_ = md_.HasExtremes();
    if (!fitted_ && !first) return;
    const RangeY range = FitRangeY(md_.AllMax, md_.AllMin, md_.MeasKind);
    md_.AxisMaxY = range.max;
    md_.AxisMinY = range.min;
    graph_.SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  } else if (md_.RoundAxisY() >= 1) {
    graph_.SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  }
}

void Acquisition::cmdStart_Click() {
  if (md_.Measuring) return;
  if (!CheckSettings(md_, dialogs_)) return;
  if (md_.SampleCount >= 1 && dialogs_.Ask(kEraseQuestion) != MsgAnswer::Yes) return;

  // OpenUnits has shown its message and closed what it opened; the data stay as they are.
  if (driver_.OpenUnits(md_) != 0) return;

  // A data list showing the old record set goes away with it.
  form_.UnloadDatalist();
  if (ui_.optWid[0] && ui_.optWid[0]->isChecked()) graph_.State().DispCount = 100;

  // No repaint until the first sample arrives; set-up and the clearing of the old points would
  // otherwise repaint step by step.
  ui_.Chart2D1->SetRedrawSuspended(true);

  md_.ClearData();
  md_.ClearMemo();
  md_.Measuring = true;
  md_.Unsaved = true;
  fitted_ = true;
  graph_.DispStatus();
  form_.SetButtonState();

  // An invalid fixed Y range has been reported by SetGraphParam; the start ends here, with the
  // units closed and the window idle again.
  if (!graph_.SetGraphParam()) {
    StopMeasure();
    return;
  }

  md_.StartTime = FormatStartTime(QDateTime::currentDateTime());
  ui_.Chart2D1->SetHeaderText(QStringLiteral("開始時刻 [ ") + md_.StartTime + QStringLiteral(" ]"));
  ui_.Chart2D1->SetHeaderAppearance(3);

  if (md_.TimerType) {
    if (!md_.SetTickTimer()) {
      dialogs_.Notice(kTimerError);
      StopMeasure();
      return;
    }
    md_.TickCount = 0;
    ui_.Timer1->setInterval(md_.TickPeriod);
    ui_.Timer1->start();
  } else {
    if (driver_.StartUnits(md_, UnitRate()) != 0) {
      dialogs_.Notice(kStartError);
      StopMeasure();
      return;
    }
    ui_.Timer2->setInterval(300);
    ui_.Timer2->start();
  }
  if (hooks.started) hooks.started();
}

void Acquisition::cmdStop_Click() {
  StopMeasure();
}

void Acquisition::StopMeasure() {
  // Both timers: only one of them runs, and stopping the other costs nothing.
  if (ui_.Timer1) ui_.Timer1->stop();
  if (ui_.Timer2) ui_.Timer2->stop();
  driver_.CloseUnits(md_);
  md_.Measuring = false;
  if (hooks.stopped) hooks.stopped();
  // The line keeps the final count.
  graph_.DispStatus();
  // A start that ended before its first sample left the chart's redrawing suspended; the chart
  // shows what is in memory again.
  ResumeRedraw();
  form_.SetButtonState();
}

void Acquisition::ReplayData() {
  form_.ClearDatalist();

  ui_.Chart2D1->SetRedrawSuspended(true);
  graph_.InitGraphParam(true);
  if (graph_.SetGraphParam()) {
    ui_.Chart2D1->SetHeaderText(QStringLiteral("開始時刻  ") + md_.StartTime);
    ui_.Chart2D1->SetHeaderAppearance(3);
  }

  // A record set never holds more than the buffers do.
  const int32_t n = std::min(md_.SampleCount, ModuleData::MaxData);
  md_.SampleCount = 0;
  md_.Measuring = true;
  fitted_ = true;
  for (int32_t i = 1; i <= n; ++i) {
    md_.SampleCount = i;
    md_.UpdateUnitMaxMin(i);
    md_.UpdateAllMaxMin();
    ApplyAutoScaleY(i == 1);
    graph_.AdvanceAxesX();
    graph_.GrDrawData(i);
  }
  form_.DispDataList();
  graph_.DispStatus();
  ResumeRedraw();
  md_.SampleCount = 0;
  md_.Measuring = false;
}
