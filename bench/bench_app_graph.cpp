// Timing of the graph's heavy paths with a full record set of 4 x 88000 samples: the batch
// rewrite of every point, the sample-by-sample drawing of a read file, one step of a zoom, and the
// opening of the data list window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "core/module_data.h"
#include "core/null_dialog_service.h"
#include "dialogs/dialog_datalist.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"
#include "qt_benchmark_main.h"

namespace {

struct Rig {
  QWidget window;
  ModuleData md;
  NullDialogs dialogs;
  GraphControls ui;
  QPushButton* cmdDisp = nullptr;
  std::unique_ptr<Graph> plot;

  Rig() {
    window.resize(1000, 700);
    ui.Chart2D1 = new Chart2D(&window);
    ui.Chart2D1->resize(900, 600);
    cmdDisp = new QPushButton(&window);
    // The range and window controls a zoom works on.
    for (auto& b : ui.optHei) b = new QRadioButton(&window);
    for (auto& b : ui.optWid) b = new QRadioButton(&window);
    ui.txtVhi = new QLineEdit(&window);
    ui.txtVlow = new QLineEdit(&window);
    ui.cmdSetScaleY = new QPushButton(&window);
    ui.Combo1 = new QComboBox(&window);
    ui.cmdLeft = new QPushButton(&window);
    ui.cmdRight = new QPushButton(&window);
    ui.hsbWindow = new QScrollBar(Qt::Horizontal, &window);
    ui.Chart2D1->SetNumSeries(4);
    for (int i = 0; i < RecordSet::kUnits; ++i) {
      UnitRecord& u = md.Record.Units[static_cast<size_t>(i)];
      u.MflagID = true;
      for (int32_t k = 0; k < RecordSet::MaxData; ++k) {
        u.Data[static_cast<size_t>(k)] = static_cast<float>(100 * i + 50 * std::sin(k * 0.001));
      }
      u.DataCount = RecordSet::MaxData;
    }
    md.Record.SampleCount = RecordSet::MaxData;
    md.Record.IntervalTM = 10;
    plot = std::make_unique<Graph>(md, ui, dialogs);
    window.show();
    QApplication::processEvents();
  }
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

// The unit-paced poll's redraw: every point of the record set rewritten, then one repaint. The
// record set alternates between two versions so that every point really changes each time.
void BM_GrDrawData1FullRecordSet(benchmark::State& state) {
  Rig& rig = TheRig();
  Chart2D& chart = *rig.ui.Chart2D1;
  std::array<std::vector<float>, RecordSet::kUnits> other;
  for (size_t i = 0; i < other.size(); ++i) {
    other[i] = rig.md.Record.Units[i].Data;
    for (float& v : other[i]) v += 1.0f;
  }
  const int before = chart.RepaintCount();
  for (auto _ : state) {
    state.PauseTiming();
    for (size_t i = 0; i < other.size(); ++i) rig.md.Record.Units[i].Data.swap(other[i]);
    state.ResumeTiming();
    rig.plot->GrDrawData1();
    chart.Flush();
  }
  state.counters["repaints_per_call"] =
      static_cast<double>(chart.RepaintCount() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GrDrawData1FullRecordSet)->Unit(benchmark::kMillisecond);

// The same with nothing changed since the previous call (a poll that brought no readings).
void BM_GrDrawData1Unchanged(benchmark::State& state) {
  Rig& rig = TheRig();
  rig.plot->GrDrawData1();
  rig.ui.Chart2D1->Flush();
  for (auto _ : state) {
    rig.plot->GrDrawData1();
    rig.ui.Chart2D1->Flush();
  }
}
BENCHMARK(BM_GrDrawData1Unchanged)->Unit(benchmark::kMillisecond);

// Replay of a read file: one call per sample with redrawing suspended, then one repaint.
void BM_GrDrawDataEverySample(benchmark::State& state) {
  Rig& rig = TheRig();
  Chart2D& chart = *rig.ui.Chart2D1;
  const int before = chart.RepaintCount();
  for (auto _ : state) {
    chart.SetRedrawSuspended(true);
    for (int32_t k = 1; k <= RecordSet::MaxData; ++k) rig.plot->GrDrawData(k);
    chart.SetRedrawSuspended(false);
    chart.Flush();
  }
  state.counters["repaints_per_call"] =
      static_cast<double>(chart.RepaintCount() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GrDrawDataEverySample)->Unit(benchmark::kMillisecond);

// One notch of the wheel over the whole record set, then the repaint: in and out in turn around
// the middle, so that every step changes the view. follow:1 with the vertical range "追従", which
// fits itself to the window at every step.
void BM_ZoomStep(benchmark::State& state) {
  Rig& rig = TheRig();
  Chart2D& chart = *rig.ui.Chart2D1;
  rig.plot->GrDrawData1();
  rig.plot->SelectOptHei(state.range(0) ? 2 : 0);
  rig.plot->SetAxesX(1, RecordSet::MaxData);
  chart.Flush();
  const double middle = RecordSet::MaxData / 2 * rig.md.Record.IntervalTM / 1000.0;
  double notch = 1;
  for (auto _ : state) {
    rig.plot->ZoomX(middle, notch);
    chart.Flush();
    notch = -notch;
  }
  rig.plot->SelectOptHei(0);
}
BENCHMARK(BM_ZoomStep)->ArgName("follow")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// "データ表示" with a full record set: the window built, filled and shown.
void BM_OpenDataList(benchmark::State& state) {
  Rig& rig = TheRig();
  for (auto _ : state) {
    auto* dialog = new DialogDatalist(rig.md, rig.cmdDisp, &rig.window);
    dialog->show();
    QApplication::processEvents();
    state.PauseTiming();
    delete dialog;
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenDataList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}
