#include "core/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Rounds a decimal digit string (an integer) up by one in its last place.
void IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
}

// Formats |v| with three decimals. The value is first written as its shortest decimal text (the
// digits the number was read from or computed as), which is then rounded half away from zero, so
// that 1.0005 shows 1.001 although its binary value lies a hair below.
template <typename T>
QString Fixed3(T v) {
  if (!std::isfinite(v)) return QString::number(static_cast<double>(v), 'f', 3);
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  const std::string text(buf, res.ptr);
  // text: [-]d[.ddd]e[+-]xx
  const bool negative = text[0] == '-';
  const size_t epos = text.find('e');
  std::string mantissa = text.substr(negative ? 1 : 0, epos - (negative ? 1 : 0));
  mantissa.erase(std::remove(mantissa.begin(), mantissa.end(), '.'), mantissa.end());
  const int exponent = std::stoi(text.substr(epos + 1));

  // |v| * 1000 has (exponent + 4) digits before its decimal point.
  const int whole = exponent + 4;
  std::string scaled;  // round(|v| * 1000) as decimal digits
  if (whole < 0) {
    scaled = "0";
  } else if (whole == 0) {
    scaled = mantissa[0] >= '5' ? "1" : "0";
  } else {
    scaled = mantissa.substr(0, std::min<size_t>(whole, mantissa.size()));
    scaled.append(whole - scaled.size(), '0');
    if (static_cast<size_t>(whole) < mantissa.size() && mantissa[whole] >= '5') {
      IncrementDigits(scaled);
    }
  }
  if (scaled.size() < 4) scaled.insert(0, 4 - scaled.size(), '0');
  const bool zero = scaled.find_first_not_of('0') == std::string::npos;
  std::string out = (negative && !zero) ? "-" : "";
  out += scaled.substr(0, scaled.size() - 3);
  out += '.';
  out += scaled.substr(scaled.size() - 3);
  return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

// The general format with the given significant digits, with an upper-case exponent mark.
template <typename T>
void AppendGeneral(std::string& out, T v, int digits) {
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
  for (char* p = buf; p != res.ptr; ++p) {
    if (*p == 'e') *p = 'E';
  }
  out.append(buf, res.ptr);
}

}  // namespace

QString FormatFixed3(double v) {
  // A value that a single holds exactly (a sample of the buffers, widened) is written with the
  // single's digits, so that it reads the same here as in FormatValue.
  if (std::fabs(v) <= std::numeric_limits<float>::max() &&
      static_cast<double>(static_cast<float>(v)) == v) {
    return Fixed3(static_cast<float>(v));
  }
  return Fixed3(v);
}

QString FormatValue(float v) {
  const QString text = Fixed3(v);
  return text.size() >= 10 ? text : text.rightJustified(10, QLatin1Char(' '));
}

QString GeneralNumber(float v) {
  const float normalized = v + 0.0f;  // no "-0"
  return QString::number(static_cast<double>(normalized), 'g', 7);
}

void AppendCsvNumber(std::string& out, float v) {
  AppendGeneral(out, v, 7);
}

void AppendCsvNumber(std::string& out, double v) {
  AppendGeneral(out, v, 15);
}

QString SampleTimeText(int32_t k, int32_t intervalTM) {
  int decimals = 3;
  if (intervalTM % 1000 == 0) {
    decimals = 0;
  } else if (intervalTM % 100 == 0) {
    decimals = 1;
  } else if (intervalTM % 10 == 0) {
    decimals = 2;
  }
  return QString::number(static_cast<double>(k) * intervalTM / 1000.0, 'f', decimals);
}
