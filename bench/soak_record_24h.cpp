// A day of continuous recording without a window: four simulated units sample every 10 ms for 24
// hours of the hand-driven toolkit clock (8.64 million samples per unit), polled every 300 ms as
// fast as the program runs, with the recording journal and the files written into a temporary
// folder (99 files). Reports the samples per second, the resident memory after the second file
// and at the end, and fails when they differ by 5 MB or more or a sample is missing.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdio>

#include "bench_rig.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "journal/recording_journal.h"
#include "session/continuous_recording.h"
#include "session/measurement_session.h"
#include "session/session_journal.h"
#include "usbkit_sim.h"

namespace {

constexpr int64_t kDayMs = 24LL * 3600 * 1000;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
  const std::array<int, 4> units = PlugFourRigUnits();

  QuietDialogs dialogs;
  ModuleData md;
  UseFourRigUnits(md);
  MDX4A driver(dialogs);
  MeasurementSession session(md, driver, dialogs);
  RecordingJournal journal(JournalFolder());
  FollowSession(session, journal, md);
  ContinuousRecording recording(session, md, JournalFolder());
  recording.SetFolder(dir.filePath(QStringLiteral("records")));
  recording.SetEnabled(true);
  int files = 0;
  int64_t recorded = 0;
  long afterSecondKb = 0;
  QObject::connect(&recording, &ContinuousRecording::fileWritten,
                   [&](const QString&, int32_t samples) {
                     ++files;
                     recorded += samples;
                     if (files == 2) afterSecondKb = ResidentKb();
                   });

  if (!session.Start()) {
    std::fprintf(stderr, "the measurement did not start: %s\n",
                 qPrintable(dialogs.texts.join(QStringLiteral(" / "))));
    return 1;
  }
  session.Timer2()->stop();  // polls are driven below, as fast as they run
  const double unit0 = usbkit_sim_now_ms();
  const auto t0 = std::chrono::steady_clock::now();
  for (int64_t poll = 1; md.Measuring && usbkit_sim_now_ms() - unit0 < kDayMs; ++poll) {
    usbkit_sim_advance_ms(300);
    session.Timer2_Timer();
    // The simulated units log every request they receive, for tests; a day of them is the
    // simulation's memory, not the program's.
    if (poll % 1000 == 0) {
      for (int unit : units) usbkit_sim_clear_requests(unit);
    }
  }
  session.StopMeasure();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const long endKb = ResidentKb();

  const int64_t expected = kDayMs / 10;
  std::printf("24 h at 10 ms, four units: %lld samples per unit in %d files, %.1f s\n",
              static_cast<long long>(recorded), files, seconds);
  std::printf("%.0f samples per second (all four units: %.0f)\n", recorded / seconds,
              4 * recorded / seconds);
  std::printf("resident after the second file %ld kB, at the end %ld kB, difference %ld kB\n",
              afterSecondKb, endKb, endKb - afterSecondKb);
  usbkit_sim_reset();
  const bool ok = files == 99 && recorded >= expected - 30 && recorded <= expected &&
                  std::labs(endKb - afterSecondKb) < 5 * 1024;
  return ok ? 0 : 1;
}
