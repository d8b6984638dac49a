// User-interface time of one unit-paced poll while four units have nearly full buffers: the
// fetch of 30 readings per unit, storing them, drawing them on the graph (GrDrawData1) and the
// repaint that follows. Runs on simulated units with the toolkit clock driven by hand, without
// and with the recording journal (journal:1), which then writes the poll's samples. Between two
// timed polls the buffers go back to 87000 samples, and the graph is shown that record set
// again, untimed: each timed poll finds what a real one finds, the samples stored so far drawn.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include "bench_rig.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "graph/chart2d.h"
#include "measure/form_main.h"
#include "qt_benchmark_main.h"
#include "session/measurement_session.h"
#include "usbkit_sim.h"

namespace {

void BM_UnitPacedPollFullBuffers(benchmark::State& state) {
  PlugFourRigUnits();

  QuietDialogs dialogs;
  ModuleData md;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.show();
  QTemporaryDir dataHome;
  if (state.range(0)) {
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    form.StartJournal(true);
  }
  UseFourRigUnits(md);
  MeasurementSession& acq = form.Session();
  form.cmdStart_Click();
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

  Graph& graph = form.Graph();
  for (auto _ : state) {
    state.PauseTiming();
    for (auto& unit : md.Units) unit.DataCount = base;
    md.SampleCount = base;
    graph.GrDrawData1();
    form.Controls().Chart2D1->Flush();
    usbkit_sim_advance_ms(300);
    state.ResumeTiming();
    acq.Timer2_Timer();
    form.Controls().Chart2D1->Flush();
  }
  state.counters["points"] = static_cast<double>(md.SampleCount) * 4;
  form.cmdStop_Click();
  usbkit_sim_reset();
}
BENCHMARK(BM_UnitPacedPollFullBuffers)
    ->ArgName("journal")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}
