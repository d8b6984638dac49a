// Thermocouple reference functions and their inversion.
#include <cmath>
#include <limits>

#include "tc_table.h"
#include "thermo.h"

namespace mdxconv {
namespace {

using detail::kTcFirstPiece;
using detail::kTcPieces;
using detail::TcPiece;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// EMF windows are inclusive; the R and S clamps are deliberately 1768, not 1768.1.
// clang-format off
constexpr TcTypeInfo kTypes[kTcTypeCount] = {
    // name  EMF window       start  clamps
    {'B',     -3, 13821,   700,     0, 1820},
    {'R',   -227, 21102,   500,   -50, 1768},
    {'S',   -237, 18694,   500,   -50, 1768},
    {'N',  -4346, 47514,   500,  -270, 1300},
    {'K',  -6459, 54887,   500,  -270, 1372},
    {'E',  -9836, 76374,   300,  -270, 1000},
    {'J',  -8096, 69554,   500,  -210, 1200},
    {'T',  -6258, 20873,   100,  -270,  400},
};
// clang-format on

constexpr int kMaxNewtonSteps = 19;
constexpr double kSettled = 0.1;

// The piece is picked by the breakpoints alone: the last piece whose start is at or below t,
// or the first piece for anything below.
const TcPiece& PieceFor(int type, double t) {
  int row = kTcFirstPiece[type];
  for (int next = row + 1; next < kTcFirstPiece[type + 1]; ++next) {
    if (t >= kTcPieces[next].from) row = next;
  }
  return kTcPieces[row];
}

double Horner(const TcPiece& p, double t) {
  double sum = p.c[p.degree];
  for (int i = p.degree - 1; i >= 0; --i) sum = sum * t + p.c[i];
  return sum;
}

double HornerDerivative(const TcPiece& p, double t) {
  double sum = p.degree * p.c[p.degree];
  for (int i = p.degree - 1; i >= 1; --i) sum = sum * t + i * p.c[i];
  return sum;
}

bool HasKExponential(int type, double t) {
  return type == kTypeK && t >= 0;
}

// EMF and slope in one pass: one piece lookup, one Horner loop, one exponential. The Newton
// iteration needs both at every step.
void EmfAndSlope(int type, double t, double* emf, double* slope) {
  const TcPiece& p = PieceFor(type, t);
  double value = p.c[p.degree];
  double derivative = 0;
  for (int i = p.degree - 1; i >= 0; --i) {
    derivative = derivative * t + value;
    value = value * t + p.c[i];
  }
  if (HasKExponential(type, t)) {
    const double d = t - detail::kKExpA2;
    const double bump = detail::kKExpA0 * std::exp(detail::kKExpA1 * d * d);
    value += bump;
    derivative += bump * 2 * detail::kKExpA1 * d;
  }
  *emf = value;
  *slope = derivative;
}

}  // namespace

const TcTypeInfo* TcInfo(int type) {
  if (type < 0 || type >= kTcTypeCount) return nullptr;
  return &kTypes[type];
}

double TcEmf(int type, double t_c) {
  if (type < 0 || type >= kTcTypeCount || std::isnan(t_c)) return kNaN;
  double emf = Horner(PieceFor(type, t_c), t_c);
  if (HasKExponential(type, t_c)) {
    const double d = t_c - detail::kKExpA2;
    emf += detail::kKExpA0 * std::exp(detail::kKExpA1 * d * d);
  }
  return emf;
}

double TcEmfSlope(int type, double t_c) {
  if (type < 0 || type >= kTcTypeCount || std::isnan(t_c)) return kNaN;
  double slope = HornerDerivative(PieceFor(type, t_c), t_c);
  if (HasKExponential(type, t_c)) {
    const double d = t_c - detail::kKExpA2;
    slope += detail::kKExpA0 * std::exp(detail::kKExpA1 * d * d) * 2 * detail::kKExpA1 * d;
  }
  return slope;
}

double TcToCelsius(int type, double emf_uv, double tref_c) {
  const TcTypeInfo* info = TcInfo(type);
  if (info == nullptr) return kNoValue;
  const double total = emf_uv + TcEmf(type, tref_c);
  // Written so that a NaN fails the test and gives no value.
  if (!(total >= info->emfLow && total <= info->emfHigh)) return kNoValue;

  double t = info->startC;
  for (int step = 0; step < kMaxNewtonSteps; ++step) {
    double emf;
    double slope;
    EmfAndSlope(type, t, &emf, &slope);
    double next = t - (emf - total) / slope;
    if (std::isnan(next)) return kNoValue;  // a flat spot of the curve: 0 / 0
    if (next < info->clampLowC) next = info->clampLowC;
    if (next > info->clampHighC) next = info->clampHighC;
    if (std::fabs(next - t) < kSettled) return next;
    t = next;
  }
  return kNoValue;
}

}  // namespace mdxconv
