#include "alarm/alarm_command.h"

#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <algorithm>

namespace {

// What a process group gets after SIGTERM before SIGKILL follows.
constexpr int kTermMs = 1000;

int Remaining(const QDeadlineTimer& deadline) {
  return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

}  // namespace

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

AlarmCommand::AlarmCommand(QString shell, QObject* parent)
    : QObject(parent), shell_(std::move(shell)) {}

AlarmCommand::~AlarmCommand() {
  if (!finished_) Finish(kGraceMs);
}

bool AlarmCommand::Run(const QString& command, const AlarmEvent& event, QString* error) {
  if (finished_) return true;
  if (static_cast<int>(running_.size()) < kMaxRunning) return Start({command, event}, error);
  if (static_cast<int>(waiting_.size()) < kMaxWaiting) {
    waiting_.push_back({command, event});
  } else {
    ++dropped_;
  }
  return true;
}

bool AlarmCommand::Start(const Pending& pending, QString* error) {
  auto* process = new QProcess(this);
  process->setProgram(shell_);
  process->setArguments({QStringLiteral("-c"), pending.command});
  process->setProcessEnvironment(AlarmCommandEnvironment(pending.event));
  process->setStandardInputFile(QProcess::nullDevice());
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  // A group of its own, so that ending the command ends what it started as well.
  process->setChildProcessModifier([] { ::setpgid(0, 0); });
  process->start();
  // Only until the shell is executed, as long as a detached start takes; never until it ends.
  if (!process->waitForStarted()) {
    if (error) {
      *error = QStringLiteral("警報コマンドを起動できません（%1）: %2")
                   .arg(process->errorString(), pending.command);
    }
    delete process;
    return false;
  }
  running_.push_back(process);
  connect(process, &QProcess::finished, this, [this, process] { Ended(process); });
  return true;
}

void AlarmCommand::Ended(QProcess* process) {
  const auto it = std::find(running_.begin(), running_.end(), process);
  if (it == running_.end()) return;
  running_.erase(it);
  process->deleteLater();
  while (!finished_ && !waiting_.empty() && static_cast<int>(running_.size()) < kMaxRunning) {
    const Pending next = waiting_.front();
    waiting_.pop_front();
    QString error;
    if (!Start(next, &error)) Tell(error);
  }
  if (waiting_.empty() && dropped_ > 0) {
    Tell(QStringLiteral("警報が続いたため、警報コマンド %1 件を実行しませんでした（同時に実行するの"
                        "は %2 件、待たせるのは %3 件まで）。")
             .arg(dropped_)
             .arg(kMaxRunning)
             .arg(kMaxWaiting));
    dropped_ = 0;
  }
}

void AlarmCommand::Finish(int graceMs) {
  finished_ = true;
  const int notRun = dropped_ + static_cast<int>(waiting_.size());
  waiting_.clear();
  dropped_ = 0;
  // Ended() takes each process out of running_ as it ends, also inside the waits below.
  const QDeadlineTimer grace(graceMs);
  for (QProcess* process : std::vector<QProcess*>(running_)) {
    process->waitForFinished(Remaining(grace));
  }
  const std::vector<QProcess*> left = running_;
  for (int sig : {SIGTERM, SIGKILL}) {
    const QDeadlineTimer term(kTermMs);
    for (QProcess* process : std::vector<QProcess*>(running_)) {
      // The leader is not reaped before finished() is handled: its group is still its own.
      const pid_t group = static_cast<pid_t>(process->processId());
      if (group > 0) ::kill(-group, sig);
    }
    for (QProcess* process : std::vector<QProcess*>(running_)) {
      process->waitForFinished(Remaining(term));
    }
  }
  // What did not end even so is no longer followed: its QProcess ends it when it goes.
  for (QProcess* process : running_) process->disconnect(this);
  running_.clear();
  if (notRun > 0 || !left.empty()) {
    Tell(QStringLiteral("終了のため、警報コマンドを %1 件止め、%2 件を実行しませんでした。")
             .arg(left.size())
             .arg(notRun));
  }
}

void AlarmCommand::Tell(const QString& text) const {
  if (onNotice) onNotice(text);
}
