// The two sampling modes: the computer-paced tick (Timer1), which takes averaged single readings
// of every used unit, and the unit-paced poll (Timer2), which collects what the units sampled on
// their own clock.
#include <algorithm>

#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "graph/graph.h"
#include "measure/acquisition.h"
#include "measure/form_main.h"

namespace {

const QString kNoMemory = QStringLiteral("メモリー不足です。測定値が保存できません");
const QString kBufferFull = QStringLiteral("データ入力バッファがいっぱいのため測定を中止します。");

// Room for one poll's readings of one unit.
constexpr int kPollBuffer = 151;
// Readings asked of the first used unit in a poll.
constexpr uint8_t kPollRequest = 128;

}  // namespace

// A message box shown inside a tick runs a nested event loop, in which the timers keep firing.
// A tick that arrives meanwhile is dropped (the next one comes), so no reading is taken twice or
// stored out of order.
class Acquisition::TickGuard {
 public:
  explicit TickGuard(bool& flag) : flag_(flag), entered_(!flag) {
    if (entered_) flag_ = true;
  }
  ~TickGuard() {
    if (entered_) flag_ = false;
  }
  TickGuard(const TickGuard&) = delete;
  TickGuard& operator=(const TickGuard&) = delete;
  bool Entered() const { return entered_; }

 private:
  bool& flag_;
  bool entered_;
};

void Acquisition::Timer1_Timer() {
  TickGuard guard(inTick_);
  if (!guard.Entered() || !md_.Measuring) return;
  ++md_.TickCount;
  if (md_.TickCount >= md_.TickDivider) {
    SampleTick();
    md_.TickCount = 0;
  }
}

void Acquisition::SampleTick() {
  if (md_.SampleCount >= ModuleData::MaxData) {
    dialogs_.Notice(kNoMemory);
    StopMeasure();
    return;
  }
  if (md_.SampleCount < 1) ResumeRedraw();
  if (!ReadSingleAverage()) {
    StopMeasure();
    return;
  }
  ++md_.SampleCount;
  if (hooks.samplesStored) hooks.samplesStored();
  md_.UpdateUnitMaxMin(md_.SampleCount);
  md_.UpdateAllMaxMin();
  graph_.DispNowValue();
  graph_.DispStatus();
  ApplyAutoScaleY(md_.SampleCount == 1);
  graph_.AdvanceAxesX();
  graph_.GrDrawData(md_.SampleCount);
}

bool Acquisition::ReadSingleAverage() {
  bool result = false;
  const int32_t slot = md_.SampleCount;
  if (slot < 0 || slot >= ModuleData::MaxData) return false;
  const int32_t count = std::max<int32_t>(md_.AverageCount, 1);
  for (int i = 0; i < ModuleData::kUnits; ++i) {
    UnitRecord& unit = md_.Units[i];
    if (!unit.MflagID) continue;
    double sum = 0;
    bool failed = false;
    for (int32_t k = 0; k < count; ++k) {
      double v = 0;
      const int16_t r = driver_.Mdx4a_Single_Sample(static_cast<int16_t>(i), v, md_.MeasTypeOf(i));
      if (r != 0) {
        driver_.ShowDriverError(r);
        result = false;
        failed = true;
        break;
      }
      sum += v;
      result = true;
    }
    // A failed reading leaves the slot NoData; the unit still counts the sample.
    if (!failed) unit.Data[slot] = static_cast<float>(sum / count);
    ++unit.DataCount;
  }
  return result;
}

void Acquisition::Timer2_Timer() {
  TickGuard guard(inTick_);
  if (!guard.Entered() || !md_.Measuring) return;
  PollTick();
}

void Acquisition::PollTick() {
  if (!CheckBufferSpace()) {
    dialogs_.Notice(kNoMemory);
    StopMeasure();
    return;
  }
  if (md_.PollCount < 1) ResumeRedraw();
  const bool ok = md_.DataAverage ? ReadDatasAverage() : ReadDatas();
  if (hooks.samplesStored) hooks.samplesStored();
  if (!ok) {
    // Readings stored before the failing unit stay in the record set (the list, a save and the
    // next replay show them); the poll itself is not drawn.
    StopMeasure();
    return;
  }
  ShowPoll();
  ++md_.PollCount;
  if (md_.SampleCount >= ModuleData::MaxData) {
    StopMeasure();
    dialogs_.Notice(kBufferFull);
  }
}

void Acquisition::ShowPoll() {
  if (md_.SampleCount > 0) md_.MergeAllMaxMin();
  graph_.DispNowValueUnit();
  graph_.DispStatus();
  ApplyAutoScaleY(md_.PollCount == 1);
  graph_.AdvanceAxesX();
  graph_.GrDrawData1();
}

bool Acquisition::CheckBufferSpace() {
  for (const UnitRecord& unit : md_.Units) {
    if (unit.MflagID && unit.DataCount >= ModuleData::MaxData) return false;
  }
  return true;
}

bool Acquisition::StoreUnitValue(int i, float v) {
  UnitRecord& unit = md_.Units[i];
  const int32_t n = unit.DataCount;
  unit.Data[n] = v;
  unit.FoldExtremes(v, md_.MeasKind);
  unit.DataCount = n + 1;
  return n + 1 >= ModuleData::MaxData;
}

bool Acquisition::FetchUnits(bool average) {
  double readings[kPollBuffer] = {};
  uint8_t status[kPollBuffer] = {};
  // One request count for the whole poll: each unit is asked for at most what the used unit
  // before it delivered, which keeps the units' sample numbers in step.
  uint8_t count = kPollRequest;
  const int32_t perSample = std::max<int32_t>(md_.AverageCount, 1);
  bool result = true;
  for (int i = 0; i < ModuleData::kUnits; ++i) {
    UnitRecord& unit = md_.Units[i];
    if (!unit.MflagID) continue;
    // A unit that is full takes nothing more (a poll never starts with one; see CheckBufferSpace).
    if (unit.DataCount >= ModuleData::MaxData) continue;
    const uint8_t asked = count;
    const int16_t r = driver_.Mdx4a_Get_Datas(static_cast<int16_t>(i), readings, status, count,
                                              md_.MeasTypeOf(i));
    if (r != 0) {
      driver_.ShowDriverError(r);
      result = false;
      break;
    }
    // Never more than asked for: the arrays hold 151 readings.
    count = std::min(count, asked);
    for (int j = 0; j < count; ++j) {
      bool full = false;
      if (average) {
        AvgAccumRecord& acc = md_.AvgAccum[i];
        if (acc.Count < perSample) {
          acc.Sum += readings[j];
          ++acc.Count;
        }
        if (acc.Count == perSample) {
          const double m = acc.Sum / perSample;
          acc.Count = 0;
          acc.Sum = 0;
          full = StoreUnitValue(i, static_cast<float>(m));
        }
      } else {
        full = StoreUnitValue(i, static_cast<float>(readings[j]));
      }
      if (full) {
        count = static_cast<uint8_t>(j + 1);
        break;
      }
    }
  }
  UpdateSampleCount();
  return result;
}

bool Acquisition::ReadDatas() {
  return FetchUnits(false);
}

bool Acquisition::ReadDatasAverage() {
  return FetchUnits(true);
}

void Acquisition::UpdateSampleCount() {
  bool any = false;
  int32_t largest = 0;
  for (const UnitRecord& unit : md_.Units) {
    if (!unit.MflagID) continue;
    any = true;
    largest = std::max(largest, unit.DataCount);
  }
  if (any) md_.SampleCount = largest;
}
