// Cost of the data files with a full record set (4 units x 88000 samples): reading the own data
// file (goal under 30 ms), saving it (under 20 ms), the CSV export (under 80 ms) and the analysis
// CSV (under 80 ms).
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cmath>

#include "core/module_data.h"
#include "files/analysis_csv.h"
#include "files/data_file.h"

namespace {

// Four used units with temperatures of a few significant digits, as a measurement leaves them.
void FillFullRecordSet(ModuleData& md) {
  md.Record.StartTime = QStringLiteral("2026/12/8 1:2:3");
  md.Record.MemoText[0] = QStringLiteral("炉の昇温試験");
  md.Record.MemoText[1] = QStringLiteral("ID0 炉内, ID1 室温, ID2 試料, ID3 水槽");
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    UnitRecord& u = md.Record.Units[i];
    u.MflagID = true;
    u.ConnectID = 4;
    for (int32_t k = 0; k < RecordSet::MaxData; ++k) {
      u.Data[k] = static_cast<float>(25.0 + 100.0 * i + 40.0 * std::sin(k * 0.001 + i));
    }
    u.DataCount = RecordSet::MaxData;
  }
  md.Record.SampleCount = RecordSet::MaxData;
}

struct Files {
  QTemporaryDir dir;
  ModuleData md;
  QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  Files() { FillFullRecordSet(md); }
};

Files& Shared() {
  static Files files;
  return files;
}

void BM_ReadDataFile(benchmark::State& state) {
  Files& f = Shared();
  const QString path = f.path("read.mx1");
  if (!SaveDataFile(f.md.Record, path)) state.SkipWithError("cannot write the input");
  ModuleData md;
  for (auto _ : state) {
    if (ReadDataFile(md, path) != ReadResult::Read) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(md.Record.SampleCount);
  }
}
BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond);

using Saver = bool (*)(const ModuleData&, const QString&, QString*);

// One format's save of the full record set.
void BM_Save(benchmark::State& state, Saver save, const char* name) {
  Files& f = Shared();
  const QString path = f.path(name);
  for (auto _ : state) {
    if (!save(f.md, path, nullptr)) state.SkipWithError("save failed");
  }
}
BENCHMARK_CAPTURE(BM_Save, SaveDataFile, &SaveDataFile, "save.mx1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, SaveCsvFile, &SaveCsvFile, "save.csv")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, SaveAnalysisCsvFile, &SaveAnalysisCsvFile, "analysis.csv")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
