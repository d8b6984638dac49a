// Printing a full record set (4 x 88000 samples) to PDF, as "korvale --convert IN.mx1 OUT.pdf"
// does after reading the file: the program's start (QApplication, main window), the replay of the
// record set onto the graph and the page written as a PDF file. Goal: the whole run under 1.5 s,
// the PDF under 2 MB. Prints one cold figure for each step and the file's size, then measures
// warm pages with Google Benchmark.
//
//   bench_app_print [--keep PATH.pdf] [benchmark options]
//
// --keep leaves the PDF of the cold run at PATH and ends after it, to look at the page.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "bench_rig.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "measure/form_main.h"
#include "session/measurement_session.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Four furnace-like curves over 880 s at 10 ms: a rise towards a set point with a slow wobble and
// a little noise, each unit at its own level.
void FillRecordSet(ModuleData& md) {
  md.Record.TimerType = false;
  md.Record.IntervalTM = 10;
  md.Record.MeasKind = false;
  md.Record.DataAverage = false;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    md.Record.Units[i].MflagID = true;
    md.Record.Units[i].ConnectID = 4;
  }
  md.ClearData();
  uint32_t noise = 12345;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    UnitRecord& u = md.Record.Units[i];
    const double top = 250.0 + 150.0 * i;
    for (int32_t k = 0; k < RecordSet::MaxData; ++k) {
      const double t = k * 0.01;
      noise = noise * 1664525u + 1013904223u;
      const double jitter = ((noise >> 8) % 1000) / 1000.0 - 0.5;
      u.Data[k] = static_cast<float>(25.0 + (top - 25.0) * (1.0 - std::exp(-t / (120.0 + 40 * i))) +
                                     8.0 * std::sin(t / (30.0 + 7 * i)) + jitter);
    }
    u.DataCount = RecordSet::MaxData;
  }
  md.Record.SampleCount = RecordSet::MaxData;
  md.Record.StartTime = QStringLiteral("2026/12/8 9:30:00");
}

struct Page {
  QuietDialogs dialogs;
  ModuleData md;
  MDX4A driver{dialogs};
  FormMain form{md, driver, dialogs};
};

void Replay(Page& p) {
  FillRecordSet(p.md);
  p.form.ReplayData();
  p.md.Record.SampleCount = RecordSet::MaxData;
  QApplication::processEvents();
}

Page* thePage = nullptr;
QString benchPdf;

void BM_PrintFullRecordSetToPdf(benchmark::State& state) {
  QString error;
  for (auto _ : state) {
    if (!PrintDatGraphToPdf(thePage->form, benchPdf, &error)) {
      state.SkipWithError(error.toUtf8().constData());
      break;
    }
  }
  state.counters["pdf_bytes"] = static_cast<double>(QFileInfo(benchPdf).size());
}
BENCHMARK(BM_PrintFullRecordSetToPdf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QString keep;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--keep") == 0) {
      keep = QString::fromLocal8Bit(argv[i + 1]);
      for (int j = i; j + 2 < argc; ++j) argv[j] = argv[j + 2];
      argc -= 2;
      break;
    }
  }

  const Clock::time_point t0 = Clock::now();
  QApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
  Page page;
  page.form.resize(1024, 768);
  const Clock::time_point t1 = Clock::now();
  Replay(page);
  const Clock::time_point t2 = Clock::now();
  QTemporaryDir dir;
  const QString pdf = keep.isEmpty() ? dir.filePath(QStringLiteral("page.pdf")) : keep;
  QString error;
  if (!PrintDatGraphToPdf(page.form, pdf, &error)) {
    std::fprintf(stderr, "printing failed: %s\n", error.toUtf8().constData());
    return 1;
  }
  const Clock::time_point t3 = Clock::now();
  const double mb = QFileInfo(pdf).size() / 1e6;
  std::printf(
      "cold: start %.1f ms + replay of 4 x 88000 samples %.1f ms + page to PDF %.1f ms = %.1f ms "
      "(goal for the whole convert < 1500 ms); PDF %.3f MB (goal < 2 MB)\n",
      Ms(t1 - t0), Ms(t2 - t1), Ms(t3 - t2), Ms(t3 - t0), mb);
  std::fflush(stdout);
  if (!keep.isEmpty()) return 0;

  thePage = &page;
  benchPdf = dir.filePath(QStringLiteral("warm.pdf"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
