// The two sampling modes: the computer-paced tick (Timer1), which takes averaged single readings
// of every used unit, and the unit-paced poll (Timer2), which collects what the units sampled on
// their own clock.
#include <QTimer>
#include <algorithm>

#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "session/measurement_session.h"

namespace {

const QString kNoMemory = QStringLiteral("メモリー不足です。測定値が保存できません");
const QString kBufferFull = QStringLiteral("データ入力バッファがいっぱいのため測定を中止します。");

// Room for one poll's readings of one unit.
constexpr int kPollBuffer = 151;
// Readings asked of the first used unit in a poll.
constexpr uint8_t kPollRequest = 128;

// A computer-paced tick this close before a point of the tick grid counts as the tick of that
// point: the timer's rounding, or a clock read a little early, never shifts a sample by a slot.
int64_t TickSlack(int32_t tickPeriod) {
  return tickPeriod / 8;
}

}  // namespace

// A message box shown inside a tick runs a nested event loop, in which the timers keep firing.
// A tick that arrives meanwhile is dropped (the next one comes), so no reading is taken twice or
// stored out of order.
class MeasurementSession::TickGuard {
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

void MeasurementSession::Timer1_Timer() {
  TickGuard guard(inTick_);
  if (!guard.Entered() || !md_.Measuring) return;
  // A tick brought back onto the grid came after a shorter wait: the period is the usual again.
  if (timer1_->interval() != counters_.TickPeriod) timer1_->setInterval(counters_.TickPeriod);
  ++counters_.TickCount;
  const int64_t elapsed = MeasuringMs();
  // The sample due now: sample n of the run belongs to n intervals after the start. The ticks are
  // counted as before; the clock also says when a sample is due, so that ticks a stalled program
  // never got do not hold the next sample back.
  const int64_t interval = int64_t{counters_.TickPeriod} * counters_.TickDivider;
  const int64_t slot = (elapsed + TickSlack(counters_.TickPeriod)) / interval;
  if (counters_.TickCount >= counters_.TickDivider || slot > RunSamples()) {
    TakeTimedSample(slot);
    counters_.TickCount = 0;
  }
  Rephase(elapsed);
}

void MeasurementSession::TakeTimedSample(int64_t slot) {
  // A tick that comes late (the program was stopped, a write blocked, the computer slept) takes
  // the sample of the time it comes at, and the samples it missed stay empty; a tick a little
  // early or late takes the next sample. So a sample is never stamped more than an interval away
  // from the moment it was taken, and no slot is taken twice.
  const int64_t missed = slot - (RunSamples() + 1);
  if (missed > 0 && !SkipSamples(missed)) return;
  SampleTick();
}

bool MeasurementSession::SkipSamples(int64_t count) {
  while (count > 0 && md_.Measuring) {
    if (md_.Record.SampleCount >= RecordSet::MaxData) {
      // Without continuous recording the record set ends here, as at any full buffer.
      dialogs_.Notice(kNoMemory);
      StopMeasure(StopReason::BuffersFull);
      return false;
    }
    const auto step =
        static_cast<int32_t>(std::min<int64_t>(count, RecordSet::MaxData - md_.Record.SampleCount));
    for (UnitRecord& unit : md_.Record.Units) {
      if (unit.MflagID) unit.DataCount += step;
    }
    md_.Record.SampleCount += step;
    count -= step;
    if (md_.Record.SampleCount < RecordSet::MaxData) break;
    // The empty slots fill the record set: announced with it before it is handed on.
    Announce();
    if (continuous_) RenewRecordSet();
  }
  return md_.Measuring;
}

void MeasurementSession::Rephase(int64_t elapsed) {
  // Ticks driven by hand (tests) have no timer running.
  if (!timer1_->isActive()) return;
  // After a late tick the timer's later ticks come just as late: the next one is brought back to
  // its point on the grid of periods since the start. A tick within the slack of a point stays.
  const int64_t period = counters_.TickPeriod;
  const int64_t off = elapsed % period;
  const int64_t slack = TickSlack(counters_.TickPeriod);
  if (off > slack && off < period - slack) timer1_->start(static_cast<int>(period - off));
}

void MeasurementSession::SampleTick() {
  if (md_.Record.SampleCount >= RecordSet::MaxData) {
    dialogs_.Notice(kNoMemory);
    StopMeasure(StopReason::BuffersFull);
    return;
  }
  if (!ReadSingleAverage()) {
    StopMeasure(StopReason::DriverError);
    return;
  }
  ++md_.Record.SampleCount;
  md_.Record.UpdateUnitMaxMin(md_.Record.SampleCount);
  md_.Record.UpdateAllMaxMin();
  Announce();
  if (continuous_ && md_.Measuring && md_.Record.SampleCount >= RecordSet::MaxData)
    RenewRecordSet();
}

bool MeasurementSession::ReadSingleAverage() {
  bool result = false;
  const int32_t slot = md_.Record.SampleCount;
  if (slot < 0 || slot >= RecordSet::MaxData) return false;
  const int32_t count = std::max<int32_t>(md_.AverageCount, 1);
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    UnitRecord& unit = md_.Record.Units[i];
    if (!unit.MflagID) continue;
    AvgAccumRecord readings;
    bool failed = false;
    for (int32_t k = 0; k < count; ++k) {
      double v = 0;
      const int16_t r =
          driver_.Mdx4a_Single_Sample(static_cast<int16_t>(i), v, md_.Record.MeasTypeOf(i));
      if (r != 0) {
        driver_.ShowDriverError(r);
        emit error(r);
        result = false;
        failed = true;
        break;
      }
      readings.Add(v, md_.Record.MeasKind);
      result = true;
    }
    // A failed reading leaves the slot NoData; the unit still counts the sample.
    if (!failed) unit.Data[slot] = readings.Mean();
    ++unit.DataCount;
  }
  return result;
}

void MeasurementSession::Timer2_Timer() {
  TickGuard guard(inTick_);
  if (!guard.Entered() || !md_.Measuring) return;
  PollTick();
}

void MeasurementSession::PollTick() {
  // In a continuous recording a full unit keeps its readings for the next record set.
  if (!continuous_ && !CheckBufferSpace()) {
    dialogs_.Notice(kNoMemory);
    StopMeasure(StopReason::BuffersFull);
    return;
  }
  if (!(md_.Record.DataAverage ? ReadDatasAverage() : ReadDatas())) {
    // Readings stored before the failing unit stay in the record set (the list, a save and the
    // next replay show them); the poll itself is not drawn.
    StopMeasure(StopReason::DriverError);
    return;
  }
  if (md_.Record.SampleCount > 0) md_.Record.MergeAllMaxMin();
  Announce();
  ++counters_.PollCount;
  if (!md_.Measuring) return;
  if (continuous_) {
    if (RecordSetComplete()) RenewRecordSet();
  } else if (md_.Record.SampleCount >= RecordSet::MaxData) {
    StopMeasure(StopReason::BuffersFull);
    dialogs_.Notice(kBufferFull);
  }
}

bool MeasurementSession::FetchLast() {
  // The computer-paced mode has nothing pending; a poll running now (the stop came from a box it
  // opened) has fetched what there was.
  if (md_.Record.TimerType || inTick_) return true;
  if (!continuous_ && !CheckBufferSpace()) return true;
  TickGuard guard(inTick_);
  if (!(md_.Record.DataAverage ? ReadDatasAverage() : ReadDatas())) return false;
  if (md_.Record.SampleCount > 0) md_.Record.MergeAllMaxMin();
  Announce();
  ++counters_.PollCount;
  if (continuous_ && RecordSetComplete()) RenewRecordSet();
  return true;
}

bool MeasurementSession::CheckBufferSpace() {
  for (const UnitRecord& unit : md_.Record.Units) {
    if (unit.MflagID && unit.DataCount >= RecordSet::MaxData) return false;
  }
  return true;
}

bool MeasurementSession::StoreUnitValue(int i, float v) {
  UnitRecord& unit = md_.Record.Units[i];
  const int32_t n = unit.DataCount;
  if (n >= RecordSet::MaxData) {
    if (!continuous_) return true;
    carry_[i].push_back(v);
    return false;
  }
  unit.Data[n] = v;
  unit.FoldExtremes(v, md_.Record.MeasKind);
  unit.DataCount = n + 1;
  return !continuous_ && n + 1 >= RecordSet::MaxData;
}

bool MeasurementSession::FetchUnits(bool average) {
  double readings[kPollBuffer] = {};
  uint8_t status[kPollBuffer] = {};
  // One request count for the whole poll: each unit is asked for at most what the used unit
  // before it delivered, which keeps the units' sample numbers in step.
  uint8_t count = kPollRequest;
  const int32_t perSample = std::max<int32_t>(md_.AverageCount, 1);
  bool result = true;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    UnitRecord& unit = md_.Record.Units[i];
    if (!unit.MflagID) continue;
    // A unit that is full takes nothing more (a poll never starts with one; see CheckBufferSpace).
    if (!continuous_ && unit.DataCount >= RecordSet::MaxData) continue;
    const uint8_t asked = count;
    const int16_t r = driver_.Mdx4a_Get_Datas(static_cast<int16_t>(i), readings, status, count,
                                              md_.Record.MeasTypeOf(i));
    if (r != 0) {
      driver_.ShowDriverError(r);
      emit error(r);
      result = false;
      break;
    }
    // Never more than asked for: the arrays hold 151 readings.
    count = std::min(count, asked);
    for (int j = 0; j < count; ++j) {
      bool full = false;
      if (average) {
        AvgAccumRecord& acc = counters_.AvgAccum[i];
        if (acc.Count < perSample) acc.Add(readings[j], md_.Record.MeasKind);
        if (acc.Count == perSample) {
          const float mean = acc.Mean();
          acc = AvgAccumRecord{};
          full = StoreUnitValue(i, mean);
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

bool MeasurementSession::ReadDatas() {
  return FetchUnits(false);
}

bool MeasurementSession::ReadDatasAverage() {
  return FetchUnits(true);
}

void MeasurementSession::UpdateSampleCount() {
  bool any = false;
  int32_t largest = 0;
  for (const UnitRecord& unit : md_.Record.Units) {
    if (!unit.MflagID) continue;
    any = true;
    largest = std::max(largest, unit.DataCount);
  }
  if (any) md_.Record.SampleCount = largest;
}
