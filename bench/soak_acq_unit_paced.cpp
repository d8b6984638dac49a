// Soak of the unit-paced mode: four simulated units sample every 10 ms until all 88000 slots of
// every unit are used, with the toolkit clock driven as fast as the program runs. Reports the
// resident memory after the first poll and at the end, and the time of the whole run.
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "bench_rig.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "graph/chart2d.h"
#include "measure/form_main.h"
#include "session/measurement_session.h"
#include "usbkit_sim.h"

namespace {

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Run {
  bool started = false;
  bool full = false;
  int polls = 0;
  long afterFirstKb = 0;
  long peakKb = 0;
  double meanCpuMs = 0;
  double maxCpuMs = 0;
  double maxWallMs = 0;
  double totalS = 0;
  double unitS = 0;
  QString lastMessage;
};

// One measurement from "開始" until the buffers are full, polled as fast as it runs.
Run RunOnce(FormMain& form, ModuleData& md, QuietDialogs& dialogs) {
  Run r;
  const double unit0 = usbkit_sim_now_ms();
  const auto t0 = std::chrono::steady_clock::now();
  MeasurementSession& acq = form.Session();
  form.cmdStart_Click();
  if (!md.Measuring) {
    std::fprintf(stderr, "the measurement did not start: %s\n",
                 qPrintable(dialogs.texts.join(QStringLiteral(" / "))));
    return r;
  }
  r.started = true;
  form.Controls().Timer2->stop();  // polls are driven below, as fast as they run
  double cpuSum = 0;
  while (md.Measuring) {
    usbkit_sim_advance_ms(300);
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = ThreadCpuMs();
    acq.Timer2_Timer();
    form.Controls().Chart2D1->Flush();
    const double cpu = ThreadCpuMs() - c0;
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - w0).count();
    cpuSum += cpu;
    r.maxCpuMs = std::max(r.maxCpuMs, cpu);
    r.maxWallMs = std::max(r.maxWallMs, wall);
    QCoreApplication::processEvents();
    ++r.polls;
    const long rss = ResidentKb();
    if (r.polls == 1) r.afterFirstKb = rss;
    r.peakKb = std::max(r.peakKb, rss);
  }
  r.totalS = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  r.unitS = (usbkit_sim_now_ms() - unit0) / 1000.0;
  r.meanCpuMs = r.polls > 0 ? cpuSum / r.polls : 0;
  r.full = true;
  for (const auto& unit : md.Record.Units) r.full = r.full && unit.DataCount == RecordSet::MaxData;
  r.lastMessage = dialogs.texts.value(dialogs.texts.size() - 1);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  PlugFourRigUnits();

  QuietDialogs dialogs;
  ModuleData md;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.show();
  UseFourRigUnits(md);

  // Two runs of a full record set each: the second, which replaces the first record set with a new
  // one of the same size, shows whether anything grows from one record set to the next.
  bool ok = true;
  long secondGrowth = 0;
  for (int run = 1; run <= 2; ++run) {
    const Run r = RunOnce(form, md, dialogs);
    if (!r.started) return 1;
    std::printf("run %d: polls %d, samples per unit %d (all full: %s), last message: %s\n", run,
                r.polls, md.Record.SampleCount, r.full ? "yes" : "no", qPrintable(r.lastMessage));
    std::printf(
        "run %d: resident after first poll %ld kB, peak %ld kB, growth %ld kB\n"
        "run %d: user-interface thread per poll: mean %.2f ms, slowest %.2f ms (CPU time); "
        "slowest %.2f ms wall\n"
        "run %d: whole run %.1f s wall for %.0f s of unit time\n",
        run, r.afterFirstKb, r.peakKb, r.peakKb - r.afterFirstKb, run, r.meanCpuMs, r.maxCpuMs,
        r.maxWallMs, run, r.totalS, r.unitS);
    ok = ok && r.full;
    if (run == 2) secondGrowth = r.peakKb - r.afterFirstKb;
  }
  usbkit_sim_reset();
  return ok && secondGrowth < 5 * 1024 ? 0 : 1;
}
