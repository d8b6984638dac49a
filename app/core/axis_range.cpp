#include "core/axis_range.h"

#include <cmath>

RangeY DefaultRangeY(bool measKind) {
  return measKind ? RangeY{-15000.0f, 84000.0f} : RangeY{-270.0f, 1820.0f};
}

double RoundUpY(double v) {
  return (std::floor(v / 100.0) + 1.0) * 100.0;
}

double RoundDownY(double v) {
  return std::floor(v / 100.0) * 100.0;
}

RangeY FitRangeY(float allMax, float allMin, bool measKind) {
  const double top = RoundUpY(allMax);
  const double bottom = RoundDownY(allMin);
  if (!(top > bottom)) return DefaultRangeY(measKind);
  // + 0.0f: a bottom of -0 shows as 0.
  return RangeY{static_cast<float>(bottom) + 0.0f, static_cast<float>(top) + 0.0f};
}
