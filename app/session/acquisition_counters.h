// The counters of the acquisition cycle: the computer-paced timer's period and ticks per sample,
// the ticks counted toward the next sample, the unit-paced polls and the readings gathered toward
// an averaged sample. The measurement session holds them; they span its record sets.
#pragma once

#include <array>
#include <cstdint>

// The readings of one averaged sample of a unit, gathered as they come.
struct AvgAccumRecord {
  int32_t Count = 0;      // readings taken toward the sample
  double Sum = 0;         // sum of those that converted
  int32_t Converted = 0;  // how many converted

  // In a temperature measurement (measKind False) a reading the driver could not convert (-300)
  // counts toward the sample but stays out of the sum: averaged with good readings it would give
  // a temperature nobody measured.
  void Add(double reading, bool measKind);
  // The sample: the mean of the readings that converted, or -300 when none did.
  float Mean() const;
};

struct AcquisitionCounters {
  int32_t TickPeriod = 0;   // the computer-paced timer's period in milliseconds
  int32_t TickDivider = 0;  // timer periods per sample
  int32_t TickCount = 0;    // timer periods counted toward the next sample
  int32_t PollCount = 0;    // completed unit-paced polls since the start
  std::array<AvgAccumRecord, 4> AvgAccum;

  // Splits the interval's whole seconds into a period the timer can hold and a divider. False,
  // with both 0, when the interval gives no usable timer.
  bool SetTickTimer(int32_t intervalTM);
};
