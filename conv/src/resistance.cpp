// Reference-junction sensors: the base model's 100 ohm platinum resistance and the extended
// model's thermistor.
#include <cmath>
#include <limits>

#include "thermo.h"

namespace mdxconv {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Callendar-Van Dusen constants of a 100 ohm platinum resistance.
constexpr double kPtA = 3.9083e-03;
constexpr double kPtB = -5.775e-07;
constexpr double kPtC = -4.183e-12;
constexpr double kPtInverseA = 255.86572166926797;
constexpr int kPtMaxSteps = 40;
constexpr double kPtUnsettled = 900;

// The thermistor curve, solved in closed form for the temperature.
constexpr double kThS1 = 9.546605120436258;
constexpr double kThS2 = 49.65297628875876;
constexpr double kThS3 = 20.314333399345898;
constexpr double kThK1 = 1.4483873444192711e+91;
constexpr double kThK2 = 4.589597033996098e+92;
constexpr double kThK3 = 3.4859547118323825e+91;
constexpr double kThT1 = 5.604117907873354e-29;
constexpr double kThT2 = 5.5222092572133085e+32;
constexpr double kThT3 = 3.329894021241432e+32;
constexpr double kThT4 = 53.96309817757569;

// Range of thermistor values searched by ThermistorResistance (natural logarithms). The curve
// falls monotonically over it; 1 to 1e8 covers roughly 430 degrees down to -110.
constexpr double kThLogLow = 0.0;
constexpr double kThLogHigh = 18.420680743952367;  // ln 1e8

}  // namespace

double PtToCelsius(double ohms) {
  if (std::isnan(ohms)) return kNaN;
  double t = (ohms * 0.01 - 1) * kPtInverseA;
  if (ohms >= 100) {
    for (int step = 0; step < kPtMaxSteps; ++step) {
      const double f = 100 * (1 + kPtA * t + kPtB * t * t) - ohms;
      const double df = 100 * (kPtA + 2 * kPtB * t);
      const double next = t - f / df;
      if (std::fabs(next - t) < 0.01) return next;
      t = next;
    }
  } else {
    // Below 0 degrees the test is relative: one per cent of the current estimate.
    for (int step = 0; step < kPtMaxSteps; ++step) {
      const double f = 100 * (1 + kPtA * t + kPtB * t * t + kPtC * (t - 100) * t * t * t) - ohms;
      const double df = 100 * (kPtA + 2 * kPtB * t + kPtC * (4 * t * t * t - 300 * t * t));
      const double next = t - f / df;
      if (std::fabs(next - t) < 0.01 * std::fabs(t)) return next;
      t = next;
    }
  }
  return kPtUnsettled;
}

double PtResistance(double t_c) {
  double r = 1 + kPtA * t_c + kPtB * t_c * t_c;
  if (t_c < 0) r += kPtC * (t_c - 100) * t_c * t_c * t_c;
  return 100 * r;
}

double ThermistorToCelsius(double x) {
  if (!(x > 0) || std::isinf(x)) return kNaN;
  const double l = std::log(x);
  const double radicand = l + kThS3;
  if (radicand < 0) return kNaN;
  const double s = std::sqrt(l * l - kThS1 * l + kThS2) * std::sqrt(radicand);
  const double cube = kThK1 * s + kThK2 - kThK3 * l;
  if (!(cube > 0)) return kNaN;
  const double k = std::cbrt(cube);
  return kThT1 * k - (kThT2 + kThT3 * l) / k - kThT4;
}

double ThermistorResistance(double t_c) {
  if (std::isnan(t_c)) return kNaN;
  double lo = kThLogLow;  // warmest end
  double hi = kThLogHigh;
  if (t_c > ThermistorToCelsius(std::exp(lo)) || t_c < ThermistorToCelsius(std::exp(hi))) {
    return kNaN;
  }
  // Newton steps on the logarithm, kept inside a shrinking bracket: the temperature falls as the
  // value rises, so a step that leaves the bracket is replaced by bisection.
  auto celsius_at = [](double l) { return ThermistorToCelsius(std::exp(l)); };
  double l = std::log(10000.0);
  for (int i = 0; i < 100; ++i) {
    const double error = celsius_at(l) - t_c;
    if (std::fabs(error) < 1e-9) break;
    if (error > 0) {
      lo = l;
    } else {
      hi = l;
    }
    const double h = 1e-6;
    const double slope = (celsius_at(l + h) - celsius_at(l - h)) / (2 * h);
    double next = l - error / slope;
    if (!(slope < 0) || !(next > lo && next < hi)) next = 0.5 * (lo + hi);
    if (hi - lo < 1e-14) break;
    l = next;
  }
  return std::exp(l);
}

}  // namespace mdxconv
