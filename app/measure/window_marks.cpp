#include "measure/window_marks.h"

#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <cmath>

#include "alarm/alarm_monitor.h"
#include "alarm/alarm_settings.h"
#include "core/module_data.h"
#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "measure/main_controls.h"
#include "session/measurement_session.h"

WindowMarks::WindowMarks(ModuleData& md, MeasurementSession& session, MainControls& ui,
                         Graph& graph)
    : QObject(nullptr), md_(md), session_(session), ui_(ui), graph_(graph) {
  ui_.cmdMark->setEnabled(md_.Measuring);
  connect(ui_.cmdMark, &QPushButton::clicked, this, [this] { AddMarkNow(); });
  // A plain letter: a text field that has the focus takes it as typing, so M marks only from
  // the rest of the window.
  auto* key = new QShortcut(QKeySequence(Qt::Key_M), ui_.window);
  key->setContext(Qt::WindowShortcut);
  connect(key, &QShortcut::activated, this, [this] { AddMarkNow(); });
  connect(ui_.Chart2D1, &Chart2D::rightClicked, this, [this](double x) { AddMarkAt(x); });
  connect(&session_, &MeasurementSession::started, this, [this] {
    ui_.cmdMark->setEnabled(true);
    ui_.Chart2D1->SetEventMarks({});
  });
  // The alarms of the record set before are not those of the new one.
  connect(&session_, &MeasurementSession::recordSetRenewed, this,
          [this] { ui_.Chart2D1->SetEventMarks({}); });
  connect(&session_, &MeasurementSession::stopped, this,
          [this] { ui_.cmdMark->setEnabled(false); });
}

void WindowMarks::AddMarkNow() {
  if (!md_.Measuring) return;
  if (!session_.AddMark(ui_.txtMark->text().trimmed())) return;
  Shown();
}

void WindowMarks::AddMarkAt(double x) {
  const int32_t n = md_.Record.SampleCount;
  if (md_.Measuring || n < 1 || md_.Record.IntervalTM <= 0 || !std::isfinite(x)) return;
  const double k = std::round(x * 1000.0 / md_.Record.IntervalTM);
  const auto sample = static_cast<int32_t>(std::clamp(k, 1.0, static_cast<double>(n)));
  md_.Record.AddMark(sample, ui_.txtMark->text().trimmed());
  Shown();
}

void WindowMarks::Shown() {
  ui_.txtMark->clear();
  graph_.ShowMarks();
  if (ui_.datalist) ui_.datalist->Model()->SetMarks(md_.Record.Marks);
  emit marksChanged();
}

void ShowAlarmEvents(Chart2D& chart, const std::vector<AlarmEvent>& events, int32_t recordSet) {
  std::vector<Chart2D::EventMark> marks;
  for (const AlarmEvent& e : events) {
    if (e.recordSet != recordSet || e.sample < 1) continue;
    marks.push_back({static_cast<double>(e.sample) * e.intervalMs / 1000.0, e.unit + 1, e.raised});
  }
  chart.SetEventMarks(marks);
}

StatisticsLimits StatisticsLimitsOf(const AlarmSettings& settings) {
  StatisticsLimits limits;
  for (size_t i = 0; i < limits.high.size(); ++i) {
    if (settings.HighOn[i]) limits.high[i] = settings.High[i];
    if (settings.LowOn[i]) limits.low[i] = settings.Low[i];
  }
  return limits;
}
