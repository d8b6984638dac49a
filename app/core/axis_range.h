// The vertical range of the time graph: the default range of each measurement kind and the
// hundreds rule that fits the range to the extremes of a record set. The graph, the acquisition
// cycle and the data module's running extremes all take them from here.
#pragma once

struct RangeY {
  float min = 0;
  float max = 0;
};

// -270 to 1820 (degrees Celsius) for thermocouple temperatures, -15000 to 84000 (microvolts) for
// voltages.
RangeY DefaultRangeY(bool measKind);

// The next multiple of 100 strictly above v (100 -> 200, 123.4 -> 200, -50 -> 0).
double RoundUpY(double v);
// The multiple of 100 at or below v (0 -> 0, -0.5 -> -100, 250 -> 200).
double RoundDownY(double v);

// The range that fits the extremes by the hundreds rule; nothing fits while the extremes hold no
// value yet (the maximum still below the minimum), and the kind's default range is returned.
RangeY FitRangeY(float allMax, float allMin, bool measKind);
