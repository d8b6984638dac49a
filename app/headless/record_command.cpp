#include "headless/record_command.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSettings>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "alarm/alarm_settings.h"
#include "alarm/alarm_sound.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/setting_problems.h"
#include "headless/influx_stream.h"
#include "headless/mark_server.h"
#include "headless/record_alarms.h"
#include "headless/record_folder_lock.h"
#include "headless/record_publish.h"
#include "headless/record_serve.h"
#include "headless/standard_streams.h"
#include "headless/stderr_dialogs.h"
#include "journal/left_journals.h"
#include "journal/recording_journal.h"
#include "publish/publisher.h"
#include "session/continuous_recording.h"
#include "session/measurement_session.h"
#include "session/sample_stream.h"
#include "session/session_journal.h"

namespace {

// How long the rows that wait at the end get to go out to a stream reader.
constexpr int kStreamFinishMs = 1500;

// SIGINT, SIGTERM and SIGHUP (a closed terminal or ssh session), turned into a call on the event
// loop: the handler only writes a byte into a pipe, which a socket notifier reads. A SIGHUP that
// was ignored at the start (nohup) stays ignored.
class StopSignals {
 public:
  explicit StopSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    writeFd_ = fds_[1];
    struct sigaction action {};
    action.sa_handler = &StopSignals::Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
    sigaction(SIGHUP, nullptr, &oldHup_);
    if (oldHup_.sa_handler != SIG_IGN) sigaction(SIGHUP, &action, nullptr);
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] {
      char buf[16];
      while (::read(fds_[0], buf, sizeof buf) > 0) {
      }
      onSignal_();
    });
  }
  ~StopSignals() {
    if (!notifier_) return;
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    sigaction(SIGHUP, &oldHup_, nullptr);
    writeFd_ = -1;
    delete notifier_;
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  static void Handler(int) {
    const int saved = errno;
    const char byte = 1;
    if (writeFd_ >= 0) (void)!::write(writeFd_, &byte, 1);
    errno = saved;
  }

  static volatile sig_atomic_t writeFd_;
  std::function<void()> onSignal_;
  int fds_[2] = {-1, -1};
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
  struct sigaction oldHup_ {};
  QSocketNotifier* notifier_ = nullptr;
};

volatile sig_atomic_t StopSignals::writeFd_ = -1;

// The alarm settings read with the measurement settings; refused with the reason when a value
// cannot be read or used.
bool TakeAlarmSettings(const QString& readError, const AlarmSettings& alarms, const ModuleData& md,
                       StderrDialogs& out) {
  const QString why = readError.isEmpty() ? CheckAlarmSettings(alarms, md) : readError;
  if (why.isEmpty()) return true;
  out.Say(QStringLiteral("警報設定に誤りがあります: %1").arg(why));
  return false;
}

// The measurement settings' problems, a line each; false when there is one. The section
// "Recording" is the window's: a recording names its folder on the command line.
bool TakeMeasurementSettings(const std::vector<SettingProblem>& problems, StderrDialogs& out) {
  bool ok = true;
  for (const SettingProblem& problem : problems) {
    if (problem.section == QLatin1String("Recording")) continue;
    const QString line = SettingProblemLine(problem);
    out.Say(problem.section.isEmpty() ? line
                                      : QStringLiteral("測定条件に誤りがあります: %1").arg(line));
    ok = false;
  }
  return ok;
}

// The settings of the recording: those of the per-user store, or of the file given. A value that
// cannot be used refuses the recording, so that nothing is recorded with settings nobody chose.
bool LoadRecordSettings(ModuleData& md, AlarmSettings& alarms, const QString& file,
                        StderrDialogs& out) {
  if (file.isEmpty()) {
    if (!TakeMeasurementSettings(md.LoadSettings(), out)) return false;
    return TakeAlarmSettings(LoadAlarmSettings(alarms), alarms, md, out);
  }
  const QFileInfo info(file);
  if (!info.isFile() || !info.isReadable()) {
    out.Say(QStringLiteral("設定ファイルを読めません: %1").arg(QDir::toNativeSeparators(file)));
    return false;
  }
  const QString fileProblem = SettingsFileProblem(file);
  QSettings store(file, QSettings::IniFormat);
  if (!fileProblem.isEmpty() || store.status() != QSettings::NoError) {
    out.Say(
        QStringLiteral("設定ファイルの形式が正しくありません: %1%2")
            .arg(QDir::toNativeSeparators(file),
                 fileProblem.isEmpty() ? QString() : QStringLiteral("（%1）").arg(fileProblem)));
    return false;
  }
  if (!TakeMeasurementSettings(md.LoadSettings(store), out)) return false;
  return TakeAlarmSettings(LoadAlarmSettings(store, alarms), alarms, md, out);
}

// Ends the session once the duration has passed; the timer is re-armed in steps that a QTimer can
// hold (durations of weeks exceed its range).
class Deadline : public QObject {
 public:
  Deadline(int64_t ms, std::function<void()> onExpiry)
      : deadline_(ms), onExpiry_(std::move(onExpiry)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Check(); });
    Arm();
  }

 private:
  void Arm() {
    timer_.start(static_cast<int>(std::min<qint64>(deadline_.remainingTime(), 3600000)));
  }
  void Check() {
    if (deadline_.hasExpired()) {
      onExpiry_();
    } else {
      Arm();
    }
  }

  QDeadlineTimer deadline_;
  std::function<void()> onExpiry_;
  QTimer timer_;
};

// Records into folder from the next start on; one line per file written, and the warnings.
void TellFiles(ContinuousRecording& recording, const QString& folder, StderrDialogs& out) {
  recording.SetFolder(folder);
  recording.SetEnabled(true);
  QObject::connect(
      &recording, &ContinuousRecording::fileWritten, [&out](const QString& path, int32_t samples) {
        out.Say(QStringLiteral("%1（%2 件）").arg(QDir::toNativeSeparators(path)).arg(samples));
      });
  QObject::connect(&recording, &ContinuousRecording::warning,
                   [&out](const QString& text) { out.Say(text); });
}

// The journals at paths, for a message.
QString JournalList(const QStringList& paths) {
  QStringList native;
  for (const QString& path : paths) native << QDir::toNativeSeparators(path);
  return native.join(QStringLiteral("、"));
}

// One line each for the files of the run that went to the spare folder and those written nowhere,
// saying where their samples are: the journals left for the next start, which keeps them as dated
// files. True when there were any such files.
bool TellMisplacedFiles(const ContinuousRecording& recording, const QString& folder,
                        StderrDialogs& out) {
  if (recording.SpareFiles() > 0) {
    out.Say(QStringLiteral("%1 個のファイルを記録フォルダー %2 に書き込めず、%3 に保存しました。")
                .arg(recording.SpareFiles())
                .arg(QDir::toNativeSeparators(folder),
                     QDir::toNativeSeparators(recording.SpareFolder())));
  }
  const int unwritten = recording.PendingFiles();
  if (unwritten == 0) return recording.SpareFiles() > 0;
  const QStringList whole = recording.PendingJournals(true);
  const QStringList part = recording.PendingJournals(false);
  QString where;
  if (!whole.isEmpty()) {
    where += QStringLiteral("データは記録ジャーナル %1 に残しています。").arg(JournalList(whole));
  }
  if (!part.isEmpty()) {
    where += QStringLiteral("記録ジャーナル %1 にはデータの一部だけが残っています。")
                 .arg(JournalList(part));
  }
  if (!whole.isEmpty() || !part.isEmpty()) {
    where += QStringLiteral("次の起動で日付の付いたファイルとして保存します。");
  }
  const int lost = unwritten - static_cast<int>(whole.size() + part.size());
  if (lost > 0)
    where += QStringLiteral("%1 個のファイルのデータは保存できませんでした。").arg(lost);
  out.Say(QStringLiteral("%1 個のファイルをどこにも書き込めないまま終了します。%2")
              .arg(unwritten)
              .arg(where));
  return true;
}

// Refuses a stream into a standard output that cannot take it, before anything is measured.
bool CheckStreamOutput(bool outputClosed, StderrDialogs& out) {
  const QString why =
      outputClosed ? QStringLiteral("閉じられています") : StreamOutputProblem(STDOUT_FILENO);
  if (why.isEmpty()) return true;
  out.Say(QStringLiteral("標準出力に書き込めません（%1）。--stream には書き込める標準出力が"
                         "必要です。")
              .arg(why));
  return false;
}

// Every sample on standard output as well; a reader that goes ends the recording as a signal
// does, once the tick that found it gone is over.
std::unique_ptr<SampleStream> StartStream(MeasurementSession& session, const ModuleData& md,
                                          StderrDialogs& out) {
  auto stream = std::make_unique<SampleStream>(session, md, STDOUT_FILENO);
  QObject::connect(
      stream.get(), &SampleStream::closed, &session,
      [&session] { session.StopMeasure(StopReason::Operator); }, Qt::QueuedConnection);
  QObject::connect(stream.get(), &SampleStream::message,
                   [&out](const QString& text) { out.Say(text); });
  return stream;
}

// The stream in line protocol; a reader that goes ends the recording as with the CSV.
std::unique_ptr<InfluxStream> StartLines(MeasurementSession& session, const ModuleData& md,
                                         RecordAlarms& alarms, StderrDialogs& out) {
  auto lines = std::make_unique<InfluxStream>(session, md, alarms.Monitor(), STDOUT_FILENO);
  QObject::connect(
      lines.get(), &InfluxStream::closed, &session,
      [&session] { session.StopMeasure(StopReason::Operator); }, Qt::QueuedConnection);
  QObject::connect(lines.get(), &InfluxStream::message,
                   [&out](const QString& text) { out.Say(text); });
  return lines;
}

// Takes the recording folder for this run; false when another recorder holds it. A folder that
// cannot hold the lock file cannot hold the recording's files either (they go to the spare folder):
// the recording goes on, with a warning.
bool LockFolder(RecordFolderLock& lock, const QString& folder, StderrDialogs& out) {
  switch (lock.Take(folder, QDateTime::currentDateTime())) {
    case RecordFolderLock::Outcome::Locked:
      return true;
    case RecordFolderLock::Outcome::Held:
      out.Say(FolderHeldText(folder, lock));
      return false;
    case RecordFolderLock::Outcome::Failed:
      break;
  }
  out.Say(QStringLiteral("記録フォルダーをロックできません（%1）: %2")
              .arg(QString::fromLocal8Bit(std::strerror(lock.Error())),
                   QDir::toNativeSeparators(RecordFolderLock::PathIn(folder))));
  return true;
}

// The journals earlier runs left, kept as dated files; the lines about them go out with the other
// messages.
void KeepLeftJournalsTelling(StderrDialogs& out) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* lines = ::open_memstream(&text, &size);
  if (!lines) return;
  KeepLeftJournals(JournalFolder(), lines);
  std::fclose(lines);
  out.WriteLines(QByteArray(text, static_cast<int>(size)));
  std::free(text);
}

// Measures until the operator's signal, the end of the duration (when above 0) or a failure stops
// the session. The exit code of the stop (0 for the operator's, 1 otherwise), or nothing when the
// session did not start.
std::optional<int> MeasureUntilStopped(MeasurementSession& session, const ModuleData& md,
                                       int64_t durationMs) {
  QEventLoop loop;
  int code = 0;
  QObject::connect(&session, &MeasurementSession::stopped, &loop, [&](StopReason reason) {
    code = reason == StopReason::Operator ? 0 : 1;
    loop.quit();
  });
  const auto stop = [&session] { session.StopMeasure(StopReason::Operator); };
  StopSignals onSignal(stop);

  if (!session.Start()) return std::nullopt;
  // The duration is measuring time: it counts from the start instant of the samples.
  std::unique_ptr<Deadline> deadline;
  if (durationMs > 0) {
    const int64_t left = std::max<int64_t>(durationMs - session.MeasuringMs(), 0);
    deadline = std::make_unique<Deadline>(left, stop);
  }
  if (md.Measuring) loop.exec();
  return code;
}

// Writes out what the stream still holds; false, said on standard error, when standard output
// never took its rows.
bool FinishStream(SampleStream& stream, StderrDialogs& dialogs) {
  stream.Finish(kStreamFinishMs);
  if (!stream.FailedAtStart()) return true;
  const int error = stream.Failure();
  dialogs.Say(QStringLiteral("標準出力に書き込めません（%1）。")
                  .arg(error == EPIPE ? QStringLiteral("読み手がいません")
                                      : QString::fromLocal8Bit(std::strerror(error))));
  return false;
}

// Where the recording's rows go besides its files, decided before anything is measured.
struct OutputPlan {
  ServePlan serve;
  std::vector<PublishUrl> publishUrls;
};

// False, said, when a publishing destination or the web view cannot be used as asked (exit 2).
bool PlanOutputs(const RecordOptions& options, OutputPlan& plan, StderrDialogs& out) {
  if (!PlanServe(options, plan.serve, out)) return false;
  return RecordPublish::ParseUrls(
      RecordPublish::SettingsUrls(options.settingsFile) + options.publishUrls, plan.publishUrls,
      out);
}

// The outputs following the session: the stream (the analysis CSV or the line protocol), the
// publishing and the web view.
struct RunOutputs {
  std::unique_ptr<SampleStream> stream;
  std::unique_ptr<InfluxStream> lines;
  std::unique_ptr<RecordPublish> publish;
  std::unique_ptr<RecordServe> serve;
};

// False, said, when a publishing queue cannot be opened or the web view cannot listen.
bool StartOutputs(const RecordOptions& options, OutputPlan& plan, MeasurementSession& session,
                  const ModuleData& md, RecordAlarms& alarms, RunOutputs& outputs,
                  StderrDialogs& out) {
  if (options.stream && !options.streamInflux) outputs.stream = StartStream(session, md, out);
  if (options.stream && options.streamInflux) {
    outputs.lines = StartLines(session, md, alarms, out);
  }
  if (!plan.publishUrls.empty()) {
    outputs.publish = std::make_unique<RecordPublish>(session, md, alarms.Monitor(),
                                                      std::move(plan.publishUrls), out);
    if (!outputs.publish->Open()) return false;
  }
  outputs.serve = std::make_unique<RecordServe>(session, md, alarms.Monitor());
  if (!outputs.serve->Start(plan.serve, out)) return false;
  if (outputs.publish) {
    const Publisher& publisher = outputs.publish->Current();
    outputs.serve->FollowDestinations([&publisher] { return publisher.Statuses(); });
  }
  return true;
}

}  // namespace

int RunRecord(const RecordOptions& options) {
  IgnoreBrokenPipes();
  StderrDialogs dialogs;
  ModuleData md;
  AlarmSettings alarmSettings;
  if (!LoadRecordSettings(md, alarmSettings, options.settingsFile, dialogs)) return 2;
  OutputPlan plan;
  if (!PlanOutputs(options, plan, dialogs)) return 2;
  if (options.stream && !CheckStreamOutput(options.outputClosed, dialogs)) return 1;

  const QString folder = QDir(options.folder).absolutePath();
  if (!QDir().mkpath(folder)) {
    dialogs.Say(
        QStringLiteral("記録フォルダーを作れません: %1").arg(QDir::toNativeSeparators(folder)));
    return 1;
  }
  RecordFolderLock folderLock;
  if (!LockFolder(folderLock, folder, dialogs)) return 1;

  MDX4A driver(dialogs);
  MeasurementSession session(md, driver, dialogs);
  // Marks from other processes (korvale --mark); the lock names where they go.
  MarkServer marks(session);
  QString markProblem;
  const QString markSocket = marks.Listen(JournalFolder(), &markProblem);
  if (markSocket.isEmpty()) dialogs.Say(markProblem);
  folderLock.NameSocket(markSocket);

  // The journal protects the record set that has not become a file yet; one that an earlier run
  // left (a crash, a power cut) is kept as a dated file, as an unattended start of the window does.
  RecordingJournal journal(JournalFolder());
  journal.onWriteFailure = [&dialogs](const QString& text) { dialogs.Say(text); };
  KeepLeftJournalsTelling(dialogs);
  FollowSession(session, journal, md);
  // The journal exists once the session has started (FollowSession made it): the lock names it.
  QObject::connect(&session, &MeasurementSession::started, &session,
                   [&folderLock, &journal] { folderLock.NameJournal(journal.Path()); });

  ContinuousRecording recording(session, md, JournalFolder());
  recording.SetJournal(&journal);
  TellFiles(recording, folder, dialogs);
  RecordAlarms alarms(session, md, recording, folder, alarmSettings, dialogs,
                      std::make_unique<DesktopAlarmSound>([&dialogs] { dialogs.Bell(); }));
  RunOutputs outputs;
  if (!StartOutputs(options, plan, session, md, alarms, outputs, dialogs)) return 1;

  const std::optional<int> stopped = MeasureUntilStopped(session, md, options.durationMs);
  if (outputs.publish) outputs.publish->Finish();
  if (!stopped) return 1;
  int code = *stopped;
  if (outputs.stream && !FinishStream(*outputs.stream, dialogs)) code = 1;
  if (outputs.lines) outputs.lines->Finish(kStreamFinishMs);

  // Files that are not where they were asked for make the status 3, unless the run failed.
  const bool misplaced = TellMisplacedFiles(recording, folder, dialogs);
  return code == 0 && misplaced ? 3 : code;
}
