// Cost of one Mdx4a_Get_Datas of 128 readings against a simulated unit, per model and type.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "devtable.h"
#include "mdxdrv.h"
#include "usbkit_sim.h"

namespace {

constexpr int kBase = USBKIT_SIM_MODEL_BASE;
constexpr int kExtended = USBKIT_SIM_MODEL_EXTENDED;

void NoPause(unsigned) {
  usbkit_sim_wait_idle();
}

// args: model, measurement type
void BM_GetDatas128(benchmark::State& state) {
  const int model = static_cast<int>(state.range(0));
  const auto type = static_cast<uint8_t>(state.range(1));
  usbkit_sim_enable();
  usbkit_sim_reset();
  usbkit_sim_use_manual_clock(1);
  mdxdrv::SetAttachPause(&NoPause);
  const int unit = usbkit_sim_plug(model, model == kBase ? 0 : 4);
  // A hot junction each type can measure, with a room-temperature reference.
  usbkit_sim_set_temperature(unit, type == 8 ? 4 : type, type == 0 ? 1000 : 300, 23);
  if (Mdx4a_Device_Open(0) != MDX4A_OK || Mdx4a_Start_Sample(0, 1) != MDX4A_OK) {
    state.SkipWithError("unit did not open");
    return;
  }

  double values[128];
  uint8_t status[128];
  for (auto _ : state) {
    // The unit samples on the hand-driven clock until it holds a full fetch; only the export's
    // call is timed.
    while (usbkit_sim_buffered_count(unit) < 128) usbkit_sim_advance_ms(10);
    uint8_t count = 128;
    const auto start = std::chrono::steady_clock::now();
    const int16_t result = Mdx4a_Get_Datas(0, values, status, &count, type);
    const auto end = std::chrono::steady_clock::now();
    if (result != MDX4A_OK || count != 128) {
      state.SkipWithError("fetch failed");
      break;
    }
    benchmark::DoNotOptimize(values);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  Mdx4a_Device_Close(0);
  usbkit_sim_reset();
  mdxdrv::SetAttachPause(nullptr);
}

}  // namespace

BENCHMARK(BM_GetDatas128)
    ->ArgNames({"model", "type"})
    ->Args({kBase, 4})
    ->Args({kBase, 0})
    ->Args({kBase, 8})
    ->Args({kExtended, 4})
    ->Args({kExtended, 0})
    ->Args({kExtended, 8})
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
