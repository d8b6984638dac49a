// The operator's alarm command: run once per raise and once per clear, through the shell, with the
// event in its environment (KORVALE_EVENT raised or cleared, KORVALE_UNIT 0..3, KORVALE_KIND high,
// low or open, KORVALE_VALUE, KORVALE_LIMIT, empty for open, and KORVALE_TIME in ISO 8601). It is
// started detached: the program never waits for it, so a command that runs for a minute delays no
// tick and no poll. Its standard input and output are the null device (the output of `korvale
// --record --stream` stays the table's alone); its standard error is the program's.
#pragma once

#include <QProcessEnvironment>
#include <QString>

#include "alarm/alarm_monitor.h"

// The environment of the command for event: the program's own with the six variables added.
QProcessEnvironment AlarmCommandEnvironment(const AlarmEvent& event);

class AlarmCommand {
 public:
  // shell runs the command as `shell -c COMMAND`.
  explicit AlarmCommand(QString shell = QStringLiteral("/bin/sh")) : shell_(std::move(shell)) {}

  // Starts command for event. False with the operator's message in *error when it could not be
  // started (what it does once started is its own affair).
  bool Run(const QString& command, const AlarmEvent& event, QString* error) const;

 private:
  QString shell_;
};
