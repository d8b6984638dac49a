#include "unit_physics.h"

#include <algorithm>
#include <cmath>

#include "thermo.h"

namespace usbkit {

namespace {

constexpr double kCountsPerMicrovolt = 65536.0 / 100000.0;
// Counts across the 100 ohm reference resistor: the reference current of the base model.
constexpr double kReferenceCounts = 16384.0;
// The lowest word the converter reports with both inputs at rest.
constexpr long kFloor = 1024;
constexpr double kThermistorStep = 0.00596046;
constexpr long kMax16 = 0xFFFF;
constexpr long kMax24 = 0xFFFFFF;

uint16_t Word(long v) {
  return static_cast<uint16_t>(std::clamp(v, 0L, kMax16));
}

uint32_t Channel(double v) {
  if (!std::isfinite(v)) return v > 0 ? kMax24 : 0;
  return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, kMax24));
}

}  // namespace

double JunctionEmf(int tc_type, double hot_c, double ref_c) {
  return mdxconv::TcEmf(tc_type, hot_c) - mdxconv::TcEmf(tc_type, ref_c);
}

BaseWords EncodeBase(double emf_uv, double ref_c) {
  BaseWords out{};
  // Thermocouple pair: the lower word sits at the floor, the other above it by the EMF.
  long counts = std::isfinite(emf_uv) ? std::lround(emf_uv * kCountsPerMicrovolt) : 0;
  long low = kFloor;
  long w3 = counts >= 0 ? low : low - counts;
  long w4 = counts >= 0 ? low + counts : low;
  out.w[3] = Word(w3);
  out.w[4] = Word(w4);
  // Reference chain w0 > w1 > w2: 100 * (w1 - w2) / (w0 - w1) is the platinum resistance.
  double ohms = mdxconv::PtResistance(ref_c);
  long element = std::isfinite(ohms) ? std::lround(kReferenceCounts * ohms / 100.0) : 0;
  long w2 = kFloor;
  long w1 = w2 + std::max(0L, element);
  long w0 = w1 + static_cast<long>(kReferenceCounts);
  out.w[0] = Word(w0);
  out.w[1] = Word(w1);
  out.w[2] = Word(w2);
  return out;
}

ExtendedChannels EncodeExtended(double emf_uv, double ref_c, uint32_t offset, uint32_t span) {
  ExtendedChannels out{};
  double counts = std::isfinite(emf_uv) ? emf_uv * static_cast<double>(span) / 60000.0 : 0.0;
  out.m = Channel(static_cast<double>(offset) + counts);
  out.r = Channel(mdxconv::ThermistorResistance(ref_c) / kThermistorStep);
  return out;
}

}  // namespace usbkit
