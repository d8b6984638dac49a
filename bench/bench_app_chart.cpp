// Timing of the time graph with full record sets: 4 series of 88000 points, written the way the
// plotting routines write them, on a chart of a usual window size.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QApplication>
#include <cmath>
#include <memory>
#include <vector>

#include "graph/chart2d.h"
#include "qt_benchmark_main.h"

namespace {

constexpr int kSeries = 4;
constexpr int kPoints = 88000;
constexpr int kIntervalMs = 10;

double XOf(int k) {
  return k * static_cast<double>(kIntervalMs) / 1000.0;
}

// The samples, single precision as the program stores them, so that only the chart is timed.
struct Samples {
  Samples() : data(kSeries, std::vector<float>(kPoints)) {
    for (int s = 0; s < kSeries; ++s) {
      for (int k = 0; k < kPoints; ++k) {
        data[s][k] = static_cast<float>(20.0 * (s + 1) + 5.0 * std::sin(k * 0.002 * (s + 1)) +
                                        (k % 7) * 0.01);
      }
    }
  }
  std::vector<std::vector<float>> data;
};

double YOf(int s, int k) {
  static const Samples samples;
  return samples.data[s - 1][k - 1];
}

std::unique_ptr<Chart2D> MakeChart() {
  auto chart = std::make_unique<Chart2D>();
  chart->resize(1000, 600);
  chart->show();
  chart->SetNumSeries(kSeries);
  for (int s = 1; s <= kSeries; ++s) chart->AddSeriesLabel(QStringLiteral("ID%1").arg(s - 1));
  chart->SetAxisRange(Chart2D::Axis::X, XOf(1), XOf(kPoints));
  chart->SetAxisRange(Chart2D::Axis::Y, 0, 100);
  QCoreApplication::processEvents();
  return chart;
}

// Every point of every series written again, in the order of the poll routine: per point and
// series the count, the shared X and the series' Y.
void RewriteAll(Chart2D& chart, int count) {
  chart.SetNumSeries(kSeries);
  chart.BeginDataUpdate();
  for (int k = 1; k <= count; ++k) {
    for (int s = 1; s <= kSeries; ++s) {
      chart.SetPointCount(s, count);
      chart.SetPointX(k, XOf(k));
      chart.SetPointY(s, k, YOf(s, k));
    }
  }
  chart.EndDataUpdate();
}

void Clear(Chart2D& chart) {
  chart.BeginDataUpdate();
  for (int s = 1; s <= kSeries; ++s) chart.SetPointCount(s, 0);
  chart.EndDataUpdate();
}

// The whole record set rewritten with nothing new: no repaint is due.
void BM_RewriteUnchanged(benchmark::State& state) {
  auto chart = MakeChart();
  RewriteAll(*chart, kPoints);
  const int before = chart->RepaintCount();
  for (auto _ : state) RewriteAll(*chart, kPoints);
  state.counters["repaints"] = chart->RepaintCount() - before;
}
BENCHMARK(BM_RewriteUnchanged)->Unit(benchmark::kMillisecond);

// The same followed by one repaint of the full record set.
void BM_RewriteUnchangedAndRepaint(benchmark::State& state) {
  auto chart = MakeChart();
  RewriteAll(*chart, kPoints);
  for (auto _ : state) {
    RewriteAll(*chart, kPoints);
    chart->Plot()->replot(QCustomPlot::rpQueuedRefresh);
  }
}
BENCHMARK(BM_RewriteUnchangedAndRepaint)->Unit(benchmark::kMillisecond);

// One repaint of the full record set alone.
void BM_RepaintFull(benchmark::State& state) {
  auto chart = MakeChart();
  RewriteAll(*chart, kPoints);
  for (auto _ : state) chart->Plot()->replot(QCustomPlot::rpQueuedRefresh);
}
BENCHMARK(BM_RepaintFull)->Unit(benchmark::kMillisecond);

// A poll of the unit-timed mode: 128 new points per series at the end of a full record set,
// all points rewritten, one repaint.
void BM_RewriteWithNewPoints(benchmark::State& state) {
  auto chart = MakeChart();
  for (auto _ : state) {
    state.PauseTiming();
    RewriteAll(*chart, kPoints - 128);
    state.ResumeTiming();
    RewriteAll(*chart, kPoints);
  }
}
BENCHMARK(BM_RewriteWithNewPoints)->Unit(benchmark::kMillisecond);

// The first filling of an empty chart with the full record set, one repaint.
void BM_FirstFill(benchmark::State& state) {
  auto chart = MakeChart();
  for (auto _ : state) {
    state.PauseTiming();
    Clear(*chart);
    state.ResumeTiming();
    RewriteAll(*chart, kPoints);
  }
}
BENCHMARK(BM_FirstFill)->Unit(benchmark::kMillisecond);

// Samples drawn one by one (count k, X and Y of point k on every series, one batch each) with
// redrawing suspended, as when a data file is replayed; one repaint on resume.
void BM_AppendSuspended(benchmark::State& state) {
  auto chart = MakeChart();
  for (auto _ : state) {
    state.PauseTiming();
    Clear(*chart);
    state.ResumeTiming();
    chart->SetRedrawSuspended(true);
    for (int k = 1; k <= kPoints; ++k) {
      chart->SetNumSeries(kSeries);
      chart->BeginDataUpdate();
      for (int s = 1; s <= kSeries; ++s) {
        chart->SetPointCount(s, k);
        chart->SetPointX(k, XOf(k));
        chart->SetPointY(s, k, YOf(s, k));
      }
      chart->EndDataUpdate();
    }
    chart->SetRedrawSuspended(false);
  }
}
BENCHMARK(BM_AppendSuspended)->Unit(benchmark::kMillisecond);

// One sample appended to a full record set, one repaint: the cost of a tick.
void BM_AppendOneAndRepaint(benchmark::State& state) {
  auto chart = MakeChart();
  RewriteAll(*chart, kPoints - 1);
  for (auto _ : state) {
    chart->BeginDataUpdate();
    for (int s = 1; s <= kSeries; ++s) {
      chart->SetPointCount(s, kPoints);
      chart->SetPointX(kPoints, XOf(kPoints));
      chart->SetPointY(s, kPoints, YOf(s, kPoints));
    }
    chart->EndDataUpdate();
    state.PauseTiming();
    chart->BeginDataUpdate();
    for (int s = 1; s <= kSeries; ++s) chart->SetPointCount(s, kPoints - 1);
    chart->EndDataUpdate();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AppendOneAndRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}
