// Start and stop of a measurement and the replay of a record set read from a file. The timer
// handlers are in acquisition_sampling.cpp.
#include "measure/acquisition.h"

#include <QDateTime>
#include <QLabel>
#include <QListView>
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
#include "dialogs/dialog_datalist.h"
#include "graph/chart2d.h"
#include "graph/graph_plot.h"
#include "graph/graph_setup.h"
#include "graph/graph_state.h"
#include "measure/main_controls.h"

namespace {

const QString kEraseQuestion =
    QStringLiteral("測定を開始するとデータが消去されます。よろしいですか？");
const QString kTimerError = QStringLiteral("タイマー設定エラーのため測定開始できません。");
const QString kStartError = QStringLiteral("エラーのため測定開始できません。");

}  // namespace

Acquisition::Acquisition(ModuleData& md, MDX4A& driver, DialogService& dialogs, MainControls& ui,
                         GraphState& gs, GraphSetup& setup, GraphPlot& plot,
                         std::function<void()> setButtonState)
    : md_(md),
      driver_(driver),
      dialogs_(dialogs),
      ui_(ui),
      gs_(gs),
      setup_(setup),
      plot_(plot),
      setButtonState_(std::move(setButtonState)) {}

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
  if (gs_.ScaleYMode != 0) return;
  if (first || !fitted_) {
    // Fitted at the first sample, or at the first one with a value when every unit failed to
    // read before: until then the kind's default range stays.
    fitted_ = md_.HasExtremes();
    if (!fitted_ && !first) return;
    const RangeY range = FitRangeY(md_.AllMax, md_.AllMin, md_.MeasKind);
    md_.AxisMaxY = range.max;
    md_.AxisMinY = range.min;
    setup_.SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  } else if (md_.RoundAxisY() >= 1) {
    setup_.SetAxesY(md_.AxisMinY, md_.AxisMaxY);
  }
}

void Acquisition::cmdStart_Click() {
  if (md_.Measuring) return;
  if (md_.SampleCount >= 1 && dialogs_.Ask(kEraseQuestion) != MsgAnswer::Yes) return;

  // OpenUnits has shown its message and closed what it opened; the data stay as they are.
  if (driver_.OpenUnits(md_) != 0) return;

  // A data list showing the old record set goes away with it.
  if (ui_.cmdDisp && !ui_.cmdDisp->isEnabled()) {
    if (ui_.datalist) ui_.datalist->close();
    ui_.cmdDisp->setEnabled(true);
  }
  if (ui_.optWid[0] && ui_.optWid[0]->isChecked()) gs_.DispCount = 100;

  // No repaint until the first sample arrives; set-up and the clearing of the old points would
  // otherwise repaint step by step.
  ui_.Chart2D1->SetRedrawSuspended(true);

  md_.ClearData();
  md_.ClearMemo();
  md_.Measuring = true;
  fitted_ = true;
  plot_.DispStatus();
  setButtonState_();

  // An invalid fixed Y range has been reported by SetGraphParam; the start ends here, with the
  // units closed and the window idle again.
  if (!setup_.SetGraphParam()) {
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
  // The line keeps the final count.
  plot_.DispStatus();
  // A start that ended before its first sample left the chart's redrawing suspended; the chart
  // shows what is in memory again.
  ResumeRedraw();
  setButtonState_();
}

void Acquisition::ReplayData() {
  if (ui_.cmdDisp && !ui_.cmdDisp->isEnabled() && ui_.datalist) {
    DialogDatalist* list = ui_.datalist;
    if (list->lblDataNum) {
      list->lblDataNum->setText(QStringLiteral(" "));
      list->lblDataNum->repaint();
    }
    if (list->List1 && list->List1->model()) {
      QAbstractItemModel* model = list->List1->model();
      model->removeRows(0, model->rowCount());
    }
  }

  ui_.Chart2D1->SetRedrawSuspended(true);
  setup_.InitGraphParam(true);
  if (setup_.SetGraphParam()) {
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
    plot_.AdvanceAxesX();
    plot_.GrDrawData(i);
  }
  plot_.DispDataList();
  plot_.DispStatus();
  ResumeRedraw();
  md_.SampleCount = 0;
  md_.Measuring = false;
}
