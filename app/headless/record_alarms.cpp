#include "headless/record_alarms.h"

#include <QDir>

#include "alarm/alarm_log.h"
#include "alarm/alarm_sound.h"
#include "core/module_data.h"
#include "headless/stderr_dialogs.h"
#include "session/measurement_session.h"
#include "session/session_alarms.h"

RecordAlarms::RecordAlarms(MeasurementSession& session, const ModuleData& md,
                           ContinuousRecording& recording, QString folder,
                           const AlarmSettings& settings, StderrDialogs& out,
                           std::unique_ptr<AlarmSound> sound)
    : session_(session),
      folder_(std::move(folder)),
      settings_(settings),
      out_(out),
      sound_(std::move(sound)) {
  FollowSessionAlarms(session, monitor_, md, [this] { return settings_; });
  WriteAlarmLogsBesideFiles(recording, monitor_, [this](const QString& text) { out_.Say(text); });
  connect(&monitor_, &AlarmMonitor::alarmEvent, this,
          [this](const AlarmEvent& event) { OnEvent(event); });
  command_.onNotice = [this](const QString& text) { out_.Say(text); };
}

RecordAlarms::~RecordAlarms() {
  command_.Finish(AlarmCommand::kGraceMs);
}

void RecordAlarms::OnEvent(const AlarmEvent& event) {
  const bool measKind = monitor_.MeasKind();
  out_.Say(QStringLiteral("警報 %1 %2")
               .arg(AlarmTimeText(event.timeMs), AlarmEventText(event, measKind)));
  const QString log =
      QDir(folder_).filePath(session_.RunStart().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                             QStringLiteral("-alarms.csv"));
  QString error;
  if (!AppendAlarmLog(log, event, measKind, &error) && !toldLogFailure_) {
    toldLogFailure_ = true;
    out_.Say(QStringLiteral("警報記録を書き込めません: %1 (%2)")
                 .arg(QDir::toNativeSeparators(log), error));
  }
  if (event.raised && settings_.Sound && sound_ && soundSpacing_.Allow()) sound_->Play();
  if (!settings_.Command.trimmed().isEmpty() && !command_.Run(settings_.Command, event, &error)) {
    out_.Say(error);
  }
}
