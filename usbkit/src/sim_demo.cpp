#include "sim_demo.h"

#include <cmath>
#include <cstdint>

#include "sim_rack.h"
#include "unit_model.h"

namespace usbkit {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kTypeB = 0;
constexpr int kTypeK = 4;

enum class Shape { kFurnace, kRoom, kCooling, kBath };

struct DemoSignal {
  Shape shape;
  uint64_t seed;
  double noise_c;  // amplitude of the measurement noise
};

// Noise in [-1, 1] that depends only on the unit and the moment, so a run replays exactly.
double Noise(uint64_t seed, double time_ms) {
  uint64_t x = seed ^ (static_cast<uint64_t>(std::llround(time_ms)) * 0x9E3779B97F4A7C15ull);
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  double a = static_cast<double>(x >> 40) / static_cast<double>(1ull << 24);
  double b = static_cast<double>((x >> 16) & 0xFFFFFF) / static_cast<double>(1ull << 24);
  return a + b - 1.0;  // triangular: small deviations are the common ones
}

// A furnace cycle of 30 minutes, held warm between firings: ramp from 300 to 1250 degC, soak with
// a controller ripple, cool down. Measured with a type B thermocouple, whose range it suits (and
// which is the program's thermocouple setting until the operator chooses another).
double Furnace(double s) {
  double t = std::fmod(s, 1800.0);
  if (t < 600) return 300.0 + 950.0 * t / 600.0;
  if (t < 1200) return 1250.0 + 1.5 * std::sin(2 * kPi * (t - 600) / 45.0);
  return 300.0 + 950.0 * std::exp(-(t - 1200) / 200.0);
}

// Room air: a slow swing of the air conditioning and a faster draught.
double Room(double s) {
  return 22.8 + 0.9 * std::sin(2 * kPi * s / 1200.0) + 0.25 * std::sin(2 * kPi * s / 130.0 + 1.0);
}

// A sample heated quickly to 420 degC, then left to cool in air; repeats every 25 minutes.
double Cooling(double s) {
  double t = std::fmod(s, 1500.0);
  if (t < 60) return 25.0 + 395.0 * t / 60.0;
  return 24.0 + 396.0 * std::exp(-(t - 60) / 300.0);
}

// A water bath under an on-off thermostat around 80 degC.
double Bath(double s) {
  double phase = std::fmod(s, 240.0) / 240.0;
  double tri = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
  return 80.0 + 1.2 * tri + 0.3 * std::sin(2 * kPi * s / 3000.0);
}

double DemoProfile(void* context, double time_ms) {
  const auto* signal = static_cast<const DemoSignal*>(context);
  double s = time_ms / 1000.0;
  double value = 0;
  switch (signal->shape) {
    case Shape::kFurnace:
      value = Furnace(s);
      break;
    case Shape::kRoom:
      value = Room(s);
      break;
    case Shape::kCooling:
      value = Cooling(s);
      break;
    case Shape::kBath:
      value = Bath(s);
      break;
  }
  return value + signal->noise_c * Noise(signal->seed, time_ms);
}

struct DemoUnit {
  int model;
  int tc_type;
  uint8_t id_byte;
  double ref_c;
  uint32_t offset;
  uint32_t span;
  DemoSignal signal;
};

// One unit per line.
// clang-format off
DemoUnit g_demo[] = {
    {UnitModel::kBase, kTypeB, 0x00, 23.4, 0, 0, {Shape::kFurnace, 0x51A7E0ull, 0.4}},
    {UnitModel::kExtended, kTypeK, 0x05, 24.1, 0x7FE9C0, 4187300, {Shape::kRoom, 0x51A7E1ull, 0.05}},
    {UnitModel::kBase, kTypeK, 0x01, 22.9, 0, 0, {Shape::kCooling, 0x51A7E2ull, 0.2}},
    {UnitModel::kExtended, kTypeK, 0x07, 25.2, 0x8003A8, 4193650, {Shape::kBath, 0x51A7E3ull, 0.08}},
};
// clang-format on

}  // namespace

void PlugDemoUnits() {
  SimRack& rack = SimRack::Instance();
  if (!rack.ClaimDemo()) return;
  for (DemoUnit& d : g_demo) {
    int unit = rack.Plug(d.model, d.id_byte);
    rack.SetTemperature(unit, d.tc_type, 300.0, d.ref_c);
    if (d.model == UnitModel::kExtended) rack.SetCalibration(unit, d.offset, d.span);
    rack.SetProfile(unit, DemoProfile, &d.signal);
  }
}

}  // namespace usbkit
