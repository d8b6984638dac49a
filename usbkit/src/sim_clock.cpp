#include "sim_clock.h"

#include <algorithm>
#include <cmath>

namespace usbkit {

SimClock::SimClock() : origin_(std::chrono::steady_clock::now()) {}

double SimClock::RealMs() const {
  std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - origin_;
  return elapsed.count() + real_offset_ms_;
}

double SimClock::NowMs() const {
  return manual_ ? manual_ms_ : RealMs();
}

void SimClock::SetManual(bool on) {
  if (on == manual_) return;
  if (on) {
    manual_ms_ = std::ceil(RealMs());  // whole milliseconds keep the arithmetic exact
  } else {
    real_offset_ms_ += std::max(0.0, manual_ms_ - RealMs());
  }
  manual_ = on;
}

void SimClock::Advance(double ms) {
  if (manual_ && ms > 0) manual_ms_ += ms;
}

}  // namespace usbkit
