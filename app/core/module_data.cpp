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

void AvgAccumRecord::Add(double reading, bool measKind) {
  ++Count;
  if (!measKind && reading == RecordSet::NotConverted) return;
  Sum += reading;
  ++Converted;
}

float AvgAccumRecord::Mean() const {
  if (Converted == 0) return RecordSet::NotConverted;
  return static_cast<float>(Sum / Converted);
}

ModuleData::ModuleData() {
  UpdateAverageCount();
}

void ModuleData::ClearData() {
  Record.Clear();
  Measuring = false;
  Unsaved = false;
  PollCount = 0;
  ReadFrom.clear();
  ClearAverage();
}

void ModuleData::ClearAverage() {
  for (auto& a : AvgAccum) a = AvgAccumRecord{};
}

int16_t ModuleData::RoundAxisY() {
  int16_t result = 0;
  // A limit that would leave the 32-bit range is not moved (and its bit stays clear): the
  // program keeps running with the previous axis instead of failing on an absurd extreme.
  if (!Record.HasExtremes()) return 0;
  if (AxisMaxY < Record.AllMax) {
    const double top = RoundUpY(Record.AllMax);
    if (FitsInt32(top)) {
      AxisMaxY = static_cast<float>(top);
      result |= 1;
    }
  }
  if (AxisMinY > Record.AllMin) {
    const double bottom = RoundDownY(Record.AllMin);
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
  const auto n = static_cast<int64_t>(RoundHalfEven(Record.IntervalTM / 1000.0));
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

void ModuleData::UpdateAverageCount() {
  if (!Record.DataAverage) {
    AverageCount = 1;
  } else if (Record.TimerType) {
    AverageCount = 100;
  } else {
    AverageCount = static_cast<int32_t>(RoundHalfEven(Record.IntervalTM / 10.0));
  }
}
