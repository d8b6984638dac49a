// The main window's part of the alarms: the settings of "警報設定" and its dialog, the alarm
// monitor following the measurement session, and what the operator sees and hears of it. A unit's
// current-value box turns red and names the limit passed; the active limits are dashed lines in the
// unit's colour on the graph; the line under the graph names the newest active alarm, counts the
// rest and opens the list "警報一覧"; a raise sounds (unless switched off, and at most once in two
// seconds) and the command runs for every raise and clear, without ever holding up a tick or a
// poll. What the commands could not do (not started, dropped) is said on the status line; when
// the window goes, the commands still running get a short grace and are then ended.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>

#include "alarm/alarm_command.h"
#include "alarm/alarm_monitor.h"
#include "alarm/alarm_settings.h"
#include "alarm/alarm_sound.h"

class ContinuousRecording;
class DialogAlarmList;
class DialogService;
class MeasurementSession;
class ModuleData;
struct MainControls;

class WindowAlarms : public QObject {
 public:
  // Follows session with the settings of the per-user store. Connect it after the window's own
  // followers of the session: it marks the current-value boxes the window has just written.
  WindowAlarms(ModuleData& md, MeasurementSession& session, MainControls& ui,
               DialogService& dialogs);
  ~WindowAlarms() override;

  // "警報設定": the dialog; OK takes its settings and keeps them in the per-user store.
  void cmdAlarm_Click();
  // Takes settings for the next measurement (the limit lines change at once).
  void SetSettings(const AlarmSettings& settings);
  const AlarmSettings& Settings() const { return settings_; }
  // The sound of a raise (tests give a silent one).
  void SetSound(std::unique_ptr<AlarmSound> sound);
  // The command's shell (tests give one that cannot start).
  void SetCommandShell(const QString& shell);
  const AlarmCommand& Commands() const { return *command_; }

  // Opens (or raises) the list "警報一覧".
  void ShowList();
  DialogAlarmList* List() const;
  const AlarmMonitor& Monitor() const { return monitor_; }
  AlarmMonitor& Monitor() { return monitor_; }

  // Writes the log of the record set in memory beside savedPath when it had alarms; false after
  // telling the operator why it could not be written.
  bool WriteLogBeside(const QString& savedPath);
  // The logs beside the files of recording.
  void FollowRecording(ContinuousRecording& recording);
  // A record set read from a file replaces the measured one: no list, no marks.
  void Clear();
  // The limit lines of the used units on the graph.
  void ShowLimitLines();

 private:
  void OnEvent(const AlarmEvent& event);
  // The units as the operator names them, for the alarm list.
  std::array<QString, 4> UnitLabels() const;
  // The current-value boxes and the status line after a tick or poll.
  void ShowState();
  void ShowStatus();

  ModuleData& md_;
  MeasurementSession& session_;
  MainControls& ui_;
  DialogService& dialogs_;
  AlarmSettings settings_;
  AlarmMonitor monitor_;
  std::unique_ptr<AlarmCommand> command_;
  std::unique_ptr<AlarmSound> sound_;
  SoundSpacing soundSpacing_;
  QString problem_;  // a command that could not start, a log that could not be written
  QPointer<DialogAlarmList> list_;
};
