// The clock of the simulated units: real time, or a manual clock that only moves when told to.
// Both count milliseconds from the first use in the process and never run backwards, also when
// switching between them.
#ifndef USBKIT_SRC_SIM_CLOCK_H
#define USBKIT_SRC_SIM_CLOCK_H

#include <chrono>

namespace usbkit {

// Not thread-safe by itself: the rack guards it with its mutex.
class SimClock {
 public:
  SimClock();
  double NowMs() const;
  bool Manual() const { return manual_; }
  void SetManual(bool on);
  // Moves the manual clock forward; no effect on the real clock.
  void Advance(double ms);

 private:
  double RealMs() const;

  std::chrono::steady_clock::time_point origin_;
  bool manual_ = false;
  double manual_ms_ = 0;
  double real_offset_ms_ = 0;  // added to real time so that switching back never goes backwards
};

}  // namespace usbkit

#endif
