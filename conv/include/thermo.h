// Conversions between temperatures and what the unit measures: thermocouple EMF, the resistance
// of the base model's 100 ohm platinum reference sensor and the extended model's thermistor value.
// Shared by the driver library (raw reading to temperature) and the simulated units (temperature
// to raw reading).
#ifndef MDXCONV_THERMO_H
#define MDXCONV_THERMO_H

namespace mdxconv {

// Thermocouple types in the order of the measurement type byte; 8 is voltage.
enum TcType : int {
  kTypeB = 0,
  kTypeR = 1,
  kTypeS = 2,
  kTypeN = 3,
  kTypeK = 4,
  kTypeE = 5,
  kTypeJ = 6,
  kTypeT = 7,
  kTypeVoltage = 8,
};
constexpr int kTcTypeCount = 8;

// A thermocouple value that cannot be converted.
constexpr double kNoValue = -300.0;

// Constants of the inversion of one thermocouple type.
struct TcTypeInfo {
  char name;         // 'B', 'R', ...
  double emfLow;     // lowest accepted total EMF, microvolts (inclusive)
  double emfHigh;    // highest accepted total EMF, microvolts (inclusive)
  double startC;     // first estimate of the Newton iteration
  double clampLowC;  // iteration estimates are kept within these limits
  double clampHighC;
};

// Constants of thermocouple type 0..7; null for any other type.
const TcTypeInfo* TcInfo(int type);

// EMF of the type's reference function in microvolts at t_c degrees Celsius (reference junction
// at 0). NaN for a type outside 0..7 or a NaN temperature.
double TcEmf(int type, double t_c);
// Exact derivative of TcEmf, microvolts per degree.
double TcEmfSlope(int type, double t_c);
// Temperature of the hot junction for a measured EMF with the reference junction at tref_c:
// kNoValue when the total EMF is outside the type's window, when anything is not a number, or
// when the iteration does not settle.
double TcToCelsius(int type, double emf_uv, double tref_c);

// 100 ohm platinum resistance (Callendar-Van Dusen) to degrees Celsius. 900 when the iteration
// does not settle; NaN for a resistance that is not a number.
double PtToCelsius(double ohms);
// Resistance of the 100 ohm platinum sensor at t_c (the forward equation).
double PtResistance(double t_c);

// Thermistor value (10000 at 25 degrees, falling temperature with rising value) to degrees
// Celsius. NaN for a value of 0 or below, or where the curve has no real result.
double ThermistorToCelsius(double x);
// Thermistor value at t_c: the inverse of ThermistorToCelsius on its monotonic range. NaN when
// t_c lies outside what that range covers.
double ThermistorResistance(double t_c);

}  // namespace mdxconv

#endif
