// User-interface time the recording journal takes per unit-paced poll: four used units deliver
// 30 samples each (10 ms sampling, 300 ms polls), and the journal encodes and writes them; the
// push to the disk runs on its own thread and is not counted. Also the whole poll with and
// without the journal: bench_app_poll.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "core/module_data.h"
#include "journal/recording_journal.h"
#include "qt_benchmark_main.h"

namespace {

void BM_JournalFollowOnePoll(benchmark::State& state) {
  QTemporaryDir folder;
  ModuleData md;
  for (int i = 0; i < 4; ++i) {
    md.Record.Units[i].MflagID = true;
    for (int32_t k = 0; k < RecordSet::MaxData; ++k) {
      md.Record.Units[i].Data[k] = 200.0f + static_cast<float>((k + i) % 500);
    }
  }
  md.Record.StartTime = QStringLiteral("2026/12/8 1:00:00");
  RecordingJournal journal(folder.path());
  journal.Begin(md.Record);
  constexpr int32_t kPerPoll = 30;
  for (auto _ : state) {
    if (md.Record.SampleCount + kPerPoll > RecordSet::MaxData) {
      state.PauseTiming();
      journal.Begin(md.Record);
      md.Record.SampleCount = 0;
      state.ResumeTiming();
    }
    md.Record.SampleCount += kPerPoll;
    for (auto& unit : md.Record.Units) unit.DataCount = md.Record.SampleCount;
    journal.Follow(md.Record, md.Record.SampleCount);
  }
  journal.End(md.Record);
  state.counters["pushes"] = journal.SyncRequests();
}
BENCHMARK(BM_JournalFollowOnePoll)->Unit(benchmark::kMicrosecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}
