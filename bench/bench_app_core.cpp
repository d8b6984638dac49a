// Cost of the data core's routines that run at every acquisition start or sample.
#include <benchmark/benchmark.h>

#include "core/module_data.h"
#include "core/number_text.h"

namespace {

// Clearing the record set: four buffers of 88000 samples each (goal: well under 1 ms).
void BM_ClearData(benchmark::State& state) {
  ModuleData md;
  for (auto& u : md.Record.Units) u.MflagID = true;
  for (auto _ : state) {
    md.ClearData();
    benchmark::DoNotOptimize(md.Record.Units[3].Data.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{RecordSet::kUnits} * RecordSet::MaxData *
                          int64_t{sizeof(float)});
}
BENCHMARK(BM_ClearData)->Unit(benchmark::kMicrosecond);

// One sample folded into the extremes of four units and the y-axis widened.
void BM_FoldSample(benchmark::State& state) {
  ModuleData md;
  for (auto& u : md.Record.Units) u.MflagID = true;
  for (int32_t k = 0; k < RecordSet::MaxData; ++k) {
    for (auto& u : md.Record.Units) u.Data[k] = static_cast<float>(k % 1000);
  }
  int32_t n = 1;
  for (auto _ : state) {
    md.Record.SampleCount = n;
    md.Record.UpdateUnitMaxMin(n);
    md.Record.UpdateAllMaxMin();
    benchmark::DoNotOptimize(md.RoundAxisY());
    n = n % RecordSet::MaxData + 1;
  }
}
BENCHMARK(BM_FoldSample);

void BM_FormatValue(benchmark::State& state) {
  float v = -123.25f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatValue(v));
    v += 0.125f;
  }
}
BENCHMARK(BM_FormatValue);

}  // namespace

BENCHMARK_MAIN();
