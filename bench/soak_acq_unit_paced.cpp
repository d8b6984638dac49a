// Soak of the unit-paced mode: four simulated units sample every 10 ms until all 88000 slots of
// every unit are used, with the toolkit clock driven as fast as the program runs. Reports the
// resident memory after the first poll and at the end, and the time of the whole run.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "core/mdx4a.h"
#include "core/module_data.h"
#include "graph/chart2d.h"
#include "measure/acquisition.h"
#include "measure/form_main.h"
#include "soak_quiet_dialogs.h"
#include "usbkit_sim.h"

namespace {

double Wave(void* context, double t) {
  return 200.0 + 50.0 * *static_cast<int*>(context) + 0.3 * std::fmod(t, 1009.5);
}

// Resident set size in kilobytes.
long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  usbkit_sim_reset();
  usbkit_sim_enable();
  usbkit_sim_use_manual_clock(1);
  static int index[4] = {0, 1, 2, 3};
  static const unsigned char idByte[4] = {0, 2, 1, 3};
  for (int i = 0; i < 4; ++i) {
    const int sim = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, idByte[i]);
    usbkit_sim_set_temperature(sim, 4, 200.0, 25.0);
    usbkit_sim_set_profile(sim, &Wave, &index[i]);
  }
  usbkit_sim_wait_idle();

  QuietDialogs dialogs;
  ModuleData md;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.show();
  for (int i = 0; i < 4; ++i) {
    md.Units[i].MflagID = true;
    md.Units[i].ConnectID = 4;
  }
  md.TimerType = false;
  md.IntervalTM = 10;
  md.MeasKind = false;
  md.DataAverage = false;
  md.UpdateAverageCount();

  const auto t0 = std::chrono::steady_clock::now();
  Acquisition& acq = form.Measure();
  acq.cmdStart_Click();
  if (!md.Measuring) {
    std::fprintf(stderr, "the measurement did not start: %s\n",
                 qPrintable(dialogs.texts.join(QStringLiteral(" / "))));
    return 1;
  }
  form.Controls().Timer2->stop();  // polls are driven below, as fast as they run

  long afterFirst = 0, peak = 0;
  double slowestMs = 0;
  int polls = 0;
  while (md.Measuring) {
    usbkit_sim_advance_ms(300);
    const auto p0 = std::chrono::steady_clock::now();
    acq.Timer2_Timer();
    form.Controls().Chart2D1->Flush();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - p0).count();
    if (ms > slowestMs) slowestMs = ms;
    QCoreApplication::processEvents();
    ++polls;
    const long rss = ResidentKb();
    if (polls == 1) afterFirst = rss;
    if (rss > peak) peak = rss;
  }
  const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  bool full = true;
  for (const auto& unit : md.Units) full = full && unit.DataCount == ModuleData::MaxData;
  std::printf("polls %d, samples per unit %d (all full: %s)\n", polls, md.SampleCount,
              full ? "yes" : "no");
  std::printf("last message: %s\n", qPrintable(dialogs.texts.value(dialogs.texts.size() - 1)));
  std::printf("resident after first poll %ld kB, peak %ld kB, growth %ld kB\n", afterFirst, peak,
              peak - afterFirst);
  std::printf("slowest poll %.2f ms, whole run %.1f s (%.0f s of unit time)\n", slowestMs, total,
              usbkit_sim_now_ms() / 1000.0);
  usbkit_sim_reset();
  return full && peak - afterFirst < 5 * 1024 ? 0 : 1;
}
