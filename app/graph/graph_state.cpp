// The graph's vertical limits widened to the record set's extremes.
#include <limits>

#include "core/axis_range.h"
#include "core/record_set.h"
#include "graph/graph.h"

namespace {

bool FitsInt32(double v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

}  // namespace

int16_t GraphState::RoundAxisY(const RecordSet& record) {
  if (!record.HasExtremes()) return 0;
  return RoundAxisY(record.AllMax, record.AllMin);
}

int16_t GraphState::RoundAxisY(float allMax, float allMin) {
  int16_t result = 0;
  // A limit that would leave the 32-bit range is not moved (and its bit stays clear): the
  // program keeps running with the previous axis instead of failing on an absurd extreme.
  if (AxisMaxY < allMax) {
    const double top = RoundUpY(allMax);
    if (FitsInt32(top)) {
      AxisMaxY = static_cast<float>(top);
      result |= 1;
    }
  }
  if (AxisMinY > allMin) {
    const double bottom = RoundDownY(allMin);
    if (FitsInt32(bottom)) {
      AxisMinY = static_cast<float>(bottom);
      result |= 2;
    }
  }
  return result;
}
