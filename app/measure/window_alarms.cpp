#include "measure/window_alarms.h"

#include <QApplication>
#include <QDir>
#include <QLabel>

#include "alarm/alarm_log.h"
#include "alarm/alarm_sound.h"
#include "core/dialog_service.h"
#include "core/module_data.h"
#include "dialogs/dialog_alarm.h"
#include "dialogs/dialog_alarm_list.h"
#include "graph/chart2d.h"
#include "measure/main_controls.h"
#include "session/measurement_session.h"
#include "session/session_alarms.h"

namespace {

const QString kAlarmStyle = QStringLiteral("background-color: #e00000; color: white;");

}  // namespace

WindowAlarms::WindowAlarms(ModuleData& md, MeasurementSession& session, MainControls& ui,
                           DialogService& dialogs)
    : md_(md),
      session_(session),
      ui_(ui),
      dialogs_(dialogs),
      sound_(std::make_unique<DesktopAlarmSound>([] { QApplication::beep(); })) {
  SetCommandShell(QStringLiteral("/bin/sh"));
  LoadAlarmSettings(settings_);
  FollowSessionAlarms(session, monitor_, md, [this] { return settings_; });
  connect(&monitor_, &AlarmMonitor::alarmEvent, this,
          [this](const AlarmEvent& event) { OnEvent(event); });
  connect(&session, &MeasurementSession::started, this, [this] {
    problem_.clear();
    ShowLimitLines();
    ShowState();
  });
  connect(&session, &MeasurementSession::samplesStored, this, [this] { ShowState(); });
  connect(&session, &MeasurementSession::recordSetRenewed, this, [this] { ShowStatus(); });
  if (ui_.lblAlarm) {
    connect(ui_.lblAlarm, &QLabel::linkActivated, this, [this] { ShowList(); });
  }
  ShowLimitLines();
  ShowStatus();
}

WindowAlarms::~WindowAlarms() {
  delete list_.data();
  // Nothing is shown any more: the commands still running get their grace and are ended.
  command_->onNotice = nullptr;
  command_->Finish(AlarmCommand::kGraceMs);
}

void WindowAlarms::SetCommandShell(const QString& shell) {
  command_ = std::make_unique<AlarmCommand>(shell);
  command_->onNotice = [this](const QString& text) {
    problem_ = text;
    ShowStatus();
  };
}

void WindowAlarms::cmdAlarm_Click() {
  DialogAlarm dialog(settings_, md_, dialogs_, ui_.window);
  if (dialogs_.RunModal(dialog) != QDialog::Accepted) return;
  SetSettings(dialog.Settings());
  SaveAlarmSettings(settings_);
}

void WindowAlarms::SetSettings(const AlarmSettings& settings) {
  settings_ = settings;
  ShowLimitLines();
}

void WindowAlarms::SetSound(std::unique_ptr<AlarmSound> sound) {
  sound_ = std::move(sound);
}

void WindowAlarms::ShowLimitLines() {
  if (!ui_.Chart2D1) return;
  std::vector<Chart2D::LimitLine> lines;
  for (size_t i = 0; i < 4; ++i) {
    if (!md_.Record.Units[i].MflagID) continue;
    const int series = static_cast<int>(i) + 1;
    if (settings_.HighOn[i]) lines.push_back({series, settings_.High[i]});
    if (settings_.LowOn[i]) lines.push_back({series, settings_.Low[i]});
  }
  ui_.Chart2D1->SetLimitLines(lines);
}

void WindowAlarms::OnEvent(const AlarmEvent& event) {
  if (event.raised && settings_.Sound && sound_ && soundSpacing_.Allow()) sound_->Play();
  if (!settings_.Command.trimmed().isEmpty()) {
    QString error;
    if (!command_->Run(settings_.Command, event, &error)) problem_ = error;
  }
  if (list_) list_->SetEvents(monitor_.Events(), monitor_.MeasKind());
}

void WindowAlarms::ShowState() {
  for (size_t i = 0; i < 4; ++i) {
    QLabel* box = ui_.Label1[i];
    if (!box) continue;
    QStringList kinds;
    for (AlarmKind kind : {AlarmKind::High, AlarmKind::Low, AlarmKind::Open}) {
      if (monitor_.IsActive(static_cast<int>(i), kind)) kinds << AlarmKindText(kind);
    }
    if (kinds.isEmpty()) {
      if (!box->styleSheet().isEmpty()) box->setStyleSheet(QString());
      continue;
    }
    // The value the window wrote last, without the kinds marked before (a unit without a new
    // sample keeps its text).
    QString value = box->text().trimmed();
    for (AlarmKind kind : {AlarmKind::High, AlarmKind::Low, AlarmKind::Open}) {
      const QString mark = AlarmKindText(kind) + QLatin1Char(' ');
      if (value.startsWith(mark)) value = value.mid(mark.size());
    }
    box->setStyleSheet(kAlarmStyle);
    box->setText(kinds.join(QLatin1Char(' ')) + QLatin1Char(' ') + value);
  }
  ShowStatus();
}

void WindowAlarms::ShowStatus() {
  QLabel* label = ui_.lblAlarm;
  if (!label) return;
  const std::vector<AlarmEvent> active = monitor_.ActiveAlarms();
  const size_t events = monitor_.Events().size();
  QString text;
  QString colour = QStringLiteral("#c00000");
  if (!active.empty()) {
    text = QStringLiteral("警報: ") + AlarmEventText(active.back(), monitor_.MeasKind());
    if (active.size() > 1) text += QStringLiteral(" ほか %1 件").arg(active.size() - 1);
  } else if (events > 0) {
    text = QStringLiteral("警報一覧（%1 件）").arg(events);
    colour = QStringLiteral("#404040");
  }
  QString html;
  if (!text.isEmpty()) {
    html = QStringLiteral("<a href=\"list\" style=\"color:%1\">%2</a>")
               .arg(colour, text.toHtmlEscaped());
  }
  if (!problem_.isEmpty()) {
    html +=
        QStringLiteral(" <span style=\"color:#c00000\">%1</span>").arg(problem_.toHtmlEscaped());
  }
  if (label->text() != html) label->setText(html);
  label->setVisible(!html.isEmpty());
}

DialogAlarmList* WindowAlarms::List() const {
  return list_.data();
}

void WindowAlarms::ShowList() {
  if (!list_) {
    list_ = new DialogAlarmList(ui_.window);
    list_->setAttribute(Qt::WA_DeleteOnClose);
  }
  list_->SetEvents(monitor_.Events(), monitor_.MeasKind());
  list_->show();
  list_->raise();
}

bool WindowAlarms::WriteLogBeside(const QString& savedPath) {
  const auto events = monitor_.EventsOf(session_.FileNumber());
  if (events.empty()) return true;
  const QString log = AlarmLogPathBeside(savedPath);
  QString error;
  if (WriteAlarmLog(log, events, monitor_.MeasKind(), &error)) return true;
  dialogs_.Message(
      QStringLiteral("警報記録を書き込めません: %1\n%2").arg(QDir::toNativeSeparators(log), error),
      QStringLiteral("Message"), MsgButtons::Ok, MsgIcon::Critical);
  return false;
}

void WindowAlarms::FollowRecording(ContinuousRecording& recording) {
  WriteAlarmLogsBesideFiles(recording, monitor_, [this](const QString& text) {
    problem_ = text;
    ShowStatus();
  });
}

void WindowAlarms::Clear() {
  monitor_.Clear();
  problem_.clear();
  ShowState();
  ShowLimitLines();
  if (list_) list_->SetEvents(monitor_.Events(), monitor_.MeasKind());
}
