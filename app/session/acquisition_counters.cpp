#include "session/acquisition_counters.h"

#include <limits>

#include "core/operator_number.h"
#include "core/record_set.h"

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

bool AcquisitionCounters::SetTickTimer(int32_t intervalTM) {
  // Whole seconds per sample. With a 32-bit interval n stays below 2147484, so none of the
  // products below can leave the 32-bit range.
  const auto n = static_cast<int64_t>(RoundHalfEven(intervalTM / 1000.0));
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
  if (divider == 0 || period > std::numeric_limits<int32_t>::max()) {
    TickPeriod = 0;
    TickDivider = 0;
    return false;
  }
  TickPeriod = static_cast<int32_t>(period);
  TickDivider = static_cast<int32_t>(divider);
  return true;
}
