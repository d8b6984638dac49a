// Start-up of the program: from the data module to the main window shown with its first events
// handled. Goal: well under one second. Prints one cold figure (first window, fonts and styles
// loaded on the way) and then measures warm constructions with Google Benchmark.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <chrono>
#include <cstdio>

#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/null_dialog_service.h"
#include "measure/form_main.h"

namespace {

using Clock = std::chrono::steady_clock;

// Start-up shows no dialog; should one appear, it is counted and dismissed.
using CountingDialogs = NullDialogs;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The program's start after its QApplication: data module, driver binding, main window, shown.
void StartOnce(CountingDialogs& dialogs) {
  ModuleData md;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.show();
  QApplication::processEvents();
  benchmark::DoNotOptimize(form.isVisible());
  form.hide();
}

void BM_MainWindowShown(benchmark::State& state) {
  CountingDialogs dialogs;
  for (auto _ : state) StartOnce(dialogs);
  state.counters["dialogs"] = static_cast<int>(dialogs.texts.size());
}
BENCHMARK(BM_MainWindowShown)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  const Clock::time_point t0 = Clock::now();
  QApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
  const Clock::time_point t1 = Clock::now();
  CountingDialogs dialogs;
  StartOnce(dialogs);
  const Clock::time_point t2 = Clock::now();
  std::printf(
      "cold start: QApplication %.1f ms + main window shown %.1f ms = %.1f ms (goal < 1000 ms)%s\n",
      Ms(t1 - t0), Ms(t2 - t1), Ms(t2 - t0),
      static_cast<int>(dialogs.texts.size()) ? ", a dialog was shown" : "");
  std::fflush(stdout);

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
