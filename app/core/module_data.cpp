#include "core/module_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "core/operator_number.h"

namespace {

// Starting extremes of a fresh record set. The per-unit values start at the ends of the scale;
// the overall values start inverted so that the first fold replaces them.
constexpr float kTempTop = 1820;
constexpr float kTempBottom = -270;
constexpr float kVoltTop = 84000;
constexpr float kVoltBottom = -15000;

bool FitsInt32(double v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

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

}  // namespace

ModuleData::ModuleData() {
  Units[0].MflagID = true;
  InitDataBuffers();
  ClearData();
  UpdateAverageCount();
}

void ModuleData::InitDataBuffers() {
  for (auto& u : Units) u.Data.resize(MaxData, NoData);
}

void ModuleData::ClearData() {
  const float top = MeasKind ? kVoltTop : kTempTop;
  const float bottom = MeasKind ? kVoltBottom : kTempBottom;
  AllMax = bottom;
  AllMin = top;
  for (auto& u : Units) {
    u.MaxValue = top;
    u.MinValue = bottom;
    u.DataCount = 0;
    std::fill(u.Data.begin(), u.Data.end(), NoData);
  }
  SampleCount = 0;
  Measuring = false;
  PollCount = 0;
  ClearAverage();
  StartTime = QString(19, QLatin1Char(' '));
}

void ModuleData::ClearMemo() {
  for (auto& m : MemoText) m.clear();
}

void ModuleData::ClearAverage() {
  for (auto& a : AvgAccum) a = AvgAccumRecord{};
}

void ModuleData::UpdateUnitMaxMin(int32_t n) {
  for (auto& u : Units) {
    if (!u.MflagID) continue;
    // Sample numbers outside the buffer have no slot; the acquisition never passes one.
    if (n < 1 || n > static_cast<int64_t>(u.Data.size())) continue;
    const float v = u.Data[n - 1];
    if (n == 1) {
      // The first sample sets both extremes, whatever it holds.
      u.MaxValue = v;
      u.MinValue = v;
    } else if (v != NoData) {
      if (v > u.MaxValue) u.MaxValue = v;
      if (v < u.MinValue) u.MinValue = v;
    }
  }
}

void ModuleData::UpdateAllMaxMin() {
  bool first = true;
  for (const auto& u : Units) {
    if (!u.MflagID) continue;
    if (SampleCount == 1 && first) {
      AllMax = u.MaxValue;
      AllMin = u.MinValue;
    } else {
      AllMax = std::max(AllMax, u.MaxValue);
      AllMin = std::min(AllMin, u.MinValue);
    }
    first = false;
  }
}

void ModuleData::MergeAllMaxMin() {
  for (const auto& u : Units) {
    if (!u.MflagID) continue;
    AllMax = std::max(AllMax, u.MaxValue);
    AllMin = std::min(AllMin, u.MinValue);
  }
}

int16_t ModuleData::RoundAxisY() {
  int16_t result = 0;
  // A limit that would leave the 32-bit range is not moved (and its bit stays clear): the
  // program keeps running with the previous axis instead of failing on an absurd extreme.
  if (AxisMaxY < AllMax) {
    const double top = (std::floor(static_cast<double>(AllMax) / 100) + 1) * 100;
    if (FitsInt32(top)) {
      AxisMaxY = static_cast<float>(top);
      result |= 1;
    }
  }
  if (AxisMinY > AllMin) {
    const double bottom = std::floor(static_cast<double>(AllMin) / 100) * 100;
    if (FitsInt32(bottom)) {
      AxisMinY = static_cast<float>(bottom);
      result |= 2;
    }
  }
  return result;
}

bool ModuleData::SetTickTimer() {
  // Whole seconds per sample. With a 32-bit interval n stays below 2147484, so none of the
  // products below can leave the 32-bit range.
  const auto n = static_cast<int64_t>(RoundHalfEven(IntervalTM / 1000.0));
  int64_t period = 0;
  int64_t divider = 0;
  if (n >= 1 && n <= 65) {
    period = n * 1000;
    divider = 1;
  } else if (n >= 66 && n <= 655) {
    period = n * 100;
    divider = 10;
  } else if (n >= 656 && n <= 6553) {
    period = n * 10;
    divider = 100;
  } else if (n > 6553) {
    period = n;
    divider = 1000;
  }
  if (divider == 0 || !FitsInt32(static_cast<double>(period))) {
    TickPeriod = 0;
    TickDivider = 0;
    return false;
  }
  TickPeriod = static_cast<int32_t>(period);
  TickDivider = static_cast<int32_t>(divider);
  return true;
}

uint8_t ModuleData::MeasTypeOf(int unit) const {
  if (MeasKind) return 8;
  const int16_t type = Units[unit].ConnectID;
  // A type the byte cannot carry is passed as 255, which the driver rejects, rather than
  // truncated into a valid type.
  return (type >= 0 && type <= 255) ? static_cast<uint8_t>(type) : uint8_t{255};
}

void ModuleData::UpdateAverageCount() {
  if (!DataAverage) {
    AverageCount = 1;
  } else if (TimerType) {
    AverageCount = 100;
  } else {
    AverageCount = static_cast<int32_t>(RoundHalfEven(IntervalTM / 10.0));
  }
}

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
