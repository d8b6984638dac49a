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

ModuleData::ModuleData() {
  UpdateAverageCount();
}

void ModuleData::ClearData() {
  Record.Clear();
  Measuring = false;
  Unsaved = false;
  ReadFrom.clear();
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

void ModuleData::UpdateAverageCount() {
  if (!Record.DataAverage) {
    AverageCount = 1;
  } else if (Record.TimerType) {
    AverageCount = 100;
  } else {
    AverageCount = static_cast<int32_t>(RoundHalfEven(Record.IntervalTM / 10.0));
  }
}
