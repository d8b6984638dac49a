#include "core/module_data.h"

#include <algorithm>
#include <cmath>

#include "core/operator_number.h"

ModuleData::ModuleData() {
  UpdateAverageCount();
}

void ModuleData::ClearData() {
  Record.Clear();
  Measuring = false;
  Unsaved = false;
  ReadFrom.clear();
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
