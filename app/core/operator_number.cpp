#include "core/operator_number.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

double RoundHalfEven(double v) {
  const double lower = std::floor(v);
  const double rest = v - lower;
  if (rest < 0.5) return lower;
  if (rest > 0.5) return lower + 1;
  // Exactly halfway: take the even neighbour.
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

std::optional<double> ToDouble(const QString& text) {
  // Only plain decimal notation: optional sign, digits with an optional fraction, an optional
  // exponent. Digits must be ASCII so that the conversion below agrees with the check.
  static const QRegularExpression number(
      QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
  const QString trimmed = text.trimmed();
  if (!number.match(trimmed).hasMatch()) return std::nullopt;
  // The C locale: the decimal separator is always the period, whatever the desktop's language.
  bool ok = false;
  const double v = QLocale::c().toDouble(trimmed, &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int32_t> ToInt32(const QString& text) {
  const auto v = ToDouble(text);
  if (!v) return std::nullopt;
  const double r = RoundHalfEven(*v);
  if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(r);
}

std::optional<float> ToSingle(const QString& text) {
  const auto v = ToDouble(text);
  if (!v) return std::nullopt;
  if (std::fabs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*v);
}
