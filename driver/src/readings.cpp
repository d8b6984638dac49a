// Reply layouts of the measurement commands and the conversion of one reading.
#include "readings.h"

#include <cmath>

#include "thermo.h"
#include "transport.h"

namespace mdxdrv {
namespace {

int Word(const uint8_t* p, int index) {
  return p[2 * index] | (p[2 * index + 1] << 8);
}

}  // namespace

double ConvertBase(const uint8_t* p, uint8_t type) {
  const int w0 = Word(p, 0);
  const int w1 = Word(p, 1);
  const int w2 = Word(p, 2);
  const int w3 = Word(p, 3);
  const int w4 = Word(p, 4);
  const double emf = (w4 - w3) * kBaseMicrovoltsPerCount;
  if (type == kTypeVoltage) return emf;
  // Without reference current (w0 = w1) the platinum resistance is unknown.
  if (w0 == w1) return mdxconv::kNoValue;
  const double ohms = 100.0 * (w1 - w2) / (w0 - w1);
  return mdxconv::TcToCelsius(type, emf, mdxconv::PtToCelsius(ohms));
}

double ConvertExtended(uint32_t m, uint32_t r, const ExtendedCal& cal, uint8_t type) {
  const double emf = (static_cast<double>(m) - cal.offset) * cal.scale;
  if (type == kTypeVoltage) return emf;
  // A thermistor value of 0 gives NaN, which TcToCelsius turns into no value.
  return mdxconv::TcToCelsius(type, emf, mdxconv::ThermistorToCelsius(r * kThermistorPerCount));
}

size_t DecodeFetch(uint8_t model, const uint8_t* reply, size_t length, uint8_t asked,
                   const ExtendedCal& cal, uint8_t type, double* values, uint8_t* status) {
  if (length < 2) return 0;
  size_t n = reply[1];
  if (n > asked) n = asked;
  if (n > kMaxFetchCount) n = kMaxFetchCount;
  for (size_t k = 0; k < n; ++k) {
    if (model == kModelBase) {
      if (BaseRecordEnd(k) > length) return k;
      const uint8_t* rec = reply + BaseRecordOffset(k);
      values[k] = ConvertBase(rec, type);
      status[k] = rec[10];
    } else {
      if (ExtendedRecordEnd(k) > length) return k;
      const uint8_t* rec = reply + ExtendedRecordOffset(k);
      values[k] = ConvertExtended(Be24(rec + 2), Be24(rec + 6), cal, type);
      status[k] = rec[9];
    }
  }
  return n;
}

}  // namespace mdxdrv
