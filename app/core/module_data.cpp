#include "core/module_data.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/operator_number.h"

namespace {

// Starting extremes of a fresh record set. The per-unit values start at the ends of the scale;
// the overall values start inverted so that the first fold replaces them.
constexpr float kTempTop = 1820;
constexpr float kTempBottom = -270;
constexpr float kVoltTop = 84000;
constexpr float kVoltBottom = -15000;

bool FitsInt32(double v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

}  // namespace

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
  const float top = MeasKind ? kVoltTop : kTempTop;
  const float bottom = MeasKind ? kVoltBottom : kTempBottom;
  AllMax = bottom;
  AllMin = top;
  for (auto& u : Units) {
    u.MaxValue = top;
    u.MinValue = bottom;
    u.DataCount = 0;
    std::fill(u.Data.begin(), u.Data.end(), NoData);
  }
  SampleCount = 0;
  Measuring = false;
  PollCount = 0;
  ClearAverage();
  StartTime = QString(19, QLatin1Char(' '));
}

void ModuleData::ClearMemo() {
  for (auto& m : MemoText) m.clear();
}

void ModuleData::ClearAverage() {
  for (auto& a : AvgAccum) a = AvgAccumRecord{};
}

void ModuleData::UpdateUnitMaxMin(int32_t n) {
  for (auto& u : Units) {
    if (!u.MflagID) continue;
    // Sample numbers outside the buffer have no slot; the acquisition never passes one.
    if (n < 1 || n > static_cast<int64_t>(u.Data.size())) continue;
    const float v = u.Data[n - 1];
    if (n == 1) {
      // The first sample sets both extremes, whatever it holds.
      u.MaxValue = v;
      u.MinValue = v;
    } else if (v != NoData) {
      if (v > u.MaxValue) u.MaxValue = v;
      if (v < u.MinValue) u.MinValue = v;
    }
  }
}

void ModuleData::UpdateAllMaxMin() {
  bool first = true;
  for (const auto& u : Units) {
    if (!u.MflagID) continue;
    if (SampleCount == 1 && first) {
      AllMax = u.MaxValue;
      AllMin = u.MinValue;
    } else {
      AllMax = std::max(AllMax, u.MaxValue);
      AllMin = std::min(AllMin, u.MinValue);
    }
    first = false;
  }
}

void ModuleData::MergeAllMaxMin() {
  for (const auto& u : Units) {
    if (!u.MflagID) continue;
    AllMax = std::max(AllMax, u.MaxValue);
    AllMin = std::min(AllMin, u.MinValue);
  }
}

int16_t ModuleData::RoundAxisY() {
  int16_t result = 0;
  // A limit that would leave the 32-bit range is not moved (and its bit stays clear): the
  // program keeps running with the previous axis instead of failing on an absurd extreme.
  if (AxisMaxY < AllMax) {
    const double top = (std::floor(static_cast<double>(AllMax) / 100) + 1) * 100;
    if (FitsInt32(top)) {
      AxisMaxY = static_cast<float>(top);
      result |= 1;
    }
  }
  if (AxisMinY > AllMin) {
    const double bottom = std::floor(static_cast<double>(AllMin) / 100) * 100;
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
