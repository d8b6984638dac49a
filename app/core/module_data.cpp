#include "core/module_data.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/axis_range.h"
#include "core/operator_number.h"

namespace {

bool FitsInt32(double v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

}  // namespace

void UnitRecord::FoldExtremes(float v, bool measKind) {
  // A slot without a value (a failed reading) never becomes an extreme, not even the first one:
  // a single -99999 would flatten every curve for the rest of the record set. Nor does an open
  // thermocouple's -300, which would stretch the range of a room-air curve down past -300.
  if (!ModuleData::IsMeasured(v, measKind)) return;
  if (!HasValue) {
    MaxValue = v;
    MinValue = v;
    HasValue = true;
  } else {
    if (v > MaxValue) MaxValue = v;
    if (v < MinValue) MinValue = v;
  }
}

void AvgAccumRecord::Add(double reading, bool measKind) {
  ++Count;
  if (!measKind && reading == ModuleData::NotConverted) return;
  Sum += reading;
  ++Converted;
}

float AvgAccumRecord::Mean() const {
  if (Converted == 0) return ModuleData::NotConverted;
  return static_cast<float>(Sum / Converted);
}

ModuleData::ModuleData() {
  Units[0].MflagID = true;
  InitDataBuffers();
  ClearData();
  UpdateAverageCount();
}

void ModuleData::InitDataBuffers() {
  for (auto& u : Units) u.Data.resize(MaxData, NoData);
}

void ModuleData::ClearData() {
  // Starting extremes of a fresh record set. The per-unit values start at the ends of the scale;
  // the overall values start inverted (maximum below minimum), which marks them as holding no
  // value yet: the first value folded in replaces them.
  const RangeY scale = DefaultRangeY(MeasKind);
  AllMax = scale.min;
  AllMin = scale.max;
  for (auto& u : Units) {
    u.MaxValue = scale.max;
    u.MinValue = scale.min;
    u.HasValue = false;
    u.DataCount = 0;
    std::fill(u.Data.begin(), u.Data.end(), NoData);
  }
  SampleCount = 0;
  Measuring = false;
  Unsaved = false;
  PollCount = 0;
  ReadFrom.clear();
  ClearAverage();
  StartTime = QString(19, QLatin1Char(' '));
  StartTimeBytes.clear();
}

void ModuleData::ClearMemo() {
  for (auto& m : MemoText) m.clear();
  for (auto& b : MemoBytes) b.clear();
}

void ModuleData::ClearAverage() {
  for (auto& a : AvgAccum) a = AvgAccumRecord{};
}

void ModuleData::UpdateUnitMaxMin(int32_t n) {
  for (auto& u : Units) {
    if (!u.MflagID) continue;
    // Sample numbers outside the buffer have no slot; the acquisition never passes one.
    if (n < 1 || n > static_cast<int64_t>(u.Data.size())) continue;
    if (n == 1) u.HasValue = false;  // a new record set
    u.FoldExtremes(u.Data[n - 1], MeasKind);
  }
}

bool ModuleData::HasExtremes() const {
  return AllMax >= AllMin;
}

void ModuleData::UpdateAllMaxMin() {
  if (SampleCount == 1) {
    // A new record set: the extremes start over, holding no value.
    const RangeY scale = DefaultRangeY(MeasKind);
    AllMax = scale.min;
    AllMin = scale.max;
  }
  MergeAllMaxMin();
}

void ModuleData::MergeAllMaxMin() {
  for (const auto& u : Units) {
    // A unit that has measured nothing yet (all NoData, or no sample in this poll) has only its
    // starting values, which are no measurement.
    if (!u.MflagID || !u.HasValue) continue;
    if (!HasExtremes()) {
      AllMax = u.MaxValue;
      AllMin = u.MinValue;
    } else {
      AllMax = std::max(AllMax, u.MaxValue);
      AllMin = std::min(AllMin, u.MinValue);
    }
  }
}

int16_t ModuleData::RoundAxisY() {
  int16_t result = 0;
  // A limit that would leave the 32-bit range is not moved (and its bit stays clear): the
  // program keeps running with the previous axis instead of failing on an absurd extreme.
  if (!HasExtremes()) return 0;
  if (AxisMaxY < AllMax) {
    const double top = RoundUpY(AllMax);
    if (FitsInt32(top)) {
      AxisMaxY = static_cast<float>(top);
      result |= 1;
    }
  }
  if (AxisMinY > AllMin) {
    const double bottom = RoundDownY(AllMin);
    if (FitsInt32(bottom)) {
      AxisMinY = static_cast<float>(bottom);
      result |= 2;
    }
  }
  return result;
}

bool ModuleData::SetTickTimer() {
  // Whole seconds per sample. With a 32-bit interval n stays below 2147484, so none of the
  // products below can leave the 32-bit range.
  const auto n = static_cast<int64_t>(RoundHalfEven(IntervalTM / 1000.0));
  int64_t period = 0;
  int64_t divider = 0;
  if (n >= 1 && n <= 65) {
    period = n * 1000;
    divider = 1;
  } else if (n >= 66 && n <= 655) {
    period = n * 100;
    divider = 10;
  } else if (n >= 656 && n <= 6553) {
    period = n * 10;
    divider = 100;
  } else if (n > 6553) {
    period = n;
    divider = 1000;
  }
  if (divider == 0 || !FitsInt32(static_cast<double>(period))) {
    TickPeriod = 0;
    TickDivider = 0;
    return false;
  }
  TickPeriod = static_cast<int32_t>(period);
  TickDivider = static_cast<int32_t>(divider);
  return true;
}

uint8_t ModuleData::MeasTypeOf(int unit) const {
  if (MeasKind) return 8;
  const int16_t type = Units[unit].ConnectID;
  // A type the byte cannot carry is passed as 255, which the driver rejects, rather than
  // truncated into a valid type.
  return (type >= 0 && type <= 255) ? static_cast<uint8_t>(type) : uint8_t{255};
}

void ModuleData::UpdateAverageCount() {
  if (!DataAverage) {
    AverageCount = 1;
  } else if (TimerType) {
    AverageCount = 100;
  } else {
    AverageCount = static_cast<int32_t>(RoundHalfEven(IntervalTM / 10.0));
  }
}
