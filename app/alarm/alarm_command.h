// The operator's alarm command: run once per raise and once per clear, through the shell, with the
// event in its environment (KORVALE_EVENT raised or cleared, KORVALE_UNIT 0..3, KORVALE_KIND high,
// low or open, KORVALE_VALUE, KORVALE_LIMIT, empty for open, and KORVALE_TIME in ISO 8601).
//
// The program never waits for a command while it measures: a command that runs for a minute
// delays no tick and no poll. Its standard input, output and error are the null device (a command
// that wants its output kept redirects it itself), so that neither the table of `korvale --record
// --stream` nor the recorder's own messages can be filled or blocked by it. Each runs in a process
// group of its own and stays a child of the program: at most kMaxRunning run at once, up to
// kMaxWaiting more wait for one of them to end, and the events past that are dropped and counted.
// When the program ends (Finish), the commands still running get a short grace and are then
// ended with their process groups, so that none outlives the program for long.
#pragma once

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "alarm/alarm_monitor.h"

class QProcess;

// The environment of the command for event: the program's own with the six variables added.
QProcessEnvironment AlarmCommandEnvironment(const AlarmEvent& event);

class AlarmCommand : public QObject {
 public:
  static constexpr int kMaxRunning = 4;
  static constexpr int kMaxWaiting = 64;
  // What Finish gives the commands still running when the program ends.
  static constexpr int kGraceMs = 3000;

  // shell runs the command as `shell -c COMMAND`.
  explicit AlarmCommand(QString shell = QStringLiteral("/bin/sh"), QObject* parent = nullptr);
  // Finish(kGraceMs) when it has not run yet.
  ~AlarmCommand() override;

  // Starts command for event, or lets it wait while kMaxRunning commands run; past kMaxWaiting
  // waiting ones it is dropped and counted. False with the operator's message in *error when it
  // could not be started now (what it does once started is its own affair).
  bool Run(const QString& command, const AlarmEvent& event, QString* error);

  // Waits up to graceMs for the commands still running, then ends them (SIGTERM to each process
  // group, SIGKILL to what is left a moment later). Waiting ones never start. Blocks: only for the
  // end of the program or of a recording, never while measuring.
  void Finish(int graceMs);

  int Running() const { return static_cast<int>(running_.size()); }
  int Waiting() const { return static_cast<int>(waiting_.size()); }

  // Told what the operator must know later than Run returns: a waiting command that could not be
  // started, the number dropped once the commands have caught up, those ended by Finish.
  std::function<void(const QString&)> onNotice;

 private:
  struct Pending {
    QString command;
    AlarmEvent event;
  };

  bool Start(const Pending& pending, QString* error);
  void Ended(QProcess* process);
  void Tell(const QString& text) const;

  QString shell_;
  std::vector<QProcess*> running_;
  std::deque<Pending> waiting_;
  int dropped_ = 0;  // since the last time it was told
  bool finished_ = false;
};
