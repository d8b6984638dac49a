// User-interface time of one unit-paced poll while four units have nearly full buffers: the
// fetch of 30 readings per unit, storing them, rewriting the graph's points (GrDrawData1) and the
// repaint that follows. Runs on simulated units with the toolkit clock driven by hand.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>

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

void BM_UnitPacedPollFullBuffers(benchmark::State& state) {
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
  Acquisition& acq = form.Measure();
  acq.cmdStart_Click();
  if (!md.Measuring) {
    state.SkipWithError("the measurement did not start");
    return;
  }
  form.Controls().Timer2->stop();  // the benchmark calls the handler itself

  // Nearly full buffers: 87000 samples per unit, then one real poll to draw them all.
  const int32_t base = 87000;
  for (auto& unit : md.Units) {
    for (int32_t k = 0; k < base; ++k) unit.Data[k] = 200.0f + static_cast<float>(k % 500);
    unit.DataCount = base;
  }
  md.SampleCount = base;
  usbkit_sim_advance_ms(300);
  acq.Timer2_Timer();
  form.Controls().Chart2D1->Flush();

  for (auto _ : state) {
    state.PauseTiming();
    for (auto& unit : md.Units) unit.DataCount = base;
    md.SampleCount = base;
    usbkit_sim_advance_ms(300);
    state.ResumeTiming();
    acq.Timer2_Timer();
    form.Controls().Chart2D1->Flush();
  }
  state.counters["points"] = static_cast<double>(md.SampleCount) * 4;
  acq.cmdStop_Click();
  usbkit_sim_reset();
}
BENCHMARK(BM_UnitPacedPollFullBuffers)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
