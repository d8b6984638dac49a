#include "alarm/alarm_command.h"

#include <QProcess>

QProcessEnvironment AlarmCommandEnvironment(const AlarmEvent& event) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("KORVALE_EVENT"),
             event.raised ? QStringLiteral("raised") : QStringLiteral("cleared"));
  env.insert(QStringLiteral("KORVALE_UNIT"), QString::number(event.unit));
  env.insert(QStringLiteral("KORVALE_KIND"), QString::fromLatin1(AlarmKindWord(event.kind)));
  env.insert(QStringLiteral("KORVALE_VALUE"), AlarmValueText(event));
  env.insert(QStringLiteral("KORVALE_LIMIT"), AlarmLimitText(event));
  env.insert(QStringLiteral("KORVALE_TIME"), AlarmTimeText(event.timeMs));
  return env;
}

bool AlarmCommand::Run(const QString& command, const AlarmEvent& event, QString* error) const {
  QProcess process;
  process.setProgram(shell_);
  process.setArguments({QStringLiteral("-c"), command});
  process.setProcessEnvironment(AlarmCommandEnvironment(event));
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  if (process.startDetached()) return true;
  if (error) {
    *error = QStringLiteral("警報コマンドを起動できません（%1）: %2")
                 .arg(process.errorString(), command);
  }
  return false;
}
