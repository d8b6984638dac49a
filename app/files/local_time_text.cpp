#include "files/local_time_text.h"

#include <QDate>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int64_t kEpochJulianDay = 2440588;  // 1970-01-01
constexpr int64_t kSecondsPerDay = 86400;
// No zone changes its offset twice within this many seconds, so that an offset found equal at
// both ends of the span held throughout it.
constexpr int64_t kOffsetSpan = 6 * 3600;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

// The local zone's offset from UTC, in seconds, at the instant t (seconds since the epoch).
int64_t LocalZoneOffset(int64_t t) {
  const time_t tt = static_cast<time_t>(t);
  struct tm local;
  if (!localtime_r(&tt, &local)) return 0;
  return local.tm_gmtoff;
}

char* PutDecimalDigits(char* p, int64_t v, int width) {
  for (int i = width - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return p + width;
}

LocalTimeText::LocalTimeText() {
  tzset();
}

int64_t LocalTimeText::OffsetAt(int64_t t) {
  if (t >= offsetFrom_ && t < offsetTo_) return offset_;
  offset_ = LocalZoneOffset(t);
  offsetFrom_ = t;
  // The first second of another offset within the span, if any, ends the offset's span.
  int64_t same = t;
  int64_t other = t + kOffsetSpan;
  if (LocalZoneOffset(other) == offset_) {
    offsetTo_ = other;
  } else {
    while (other - same > 1) {
      const int64_t mid = same + (other - same) / 2;
      (LocalZoneOffset(mid) == offset_ ? same : other) = mid;
    }
    offsetTo_ = other;
  }
  const int64_t minutes = std::abs(offset_) / 60;
  offsetText_[0] = offset_ < 0 ? '-' : '+';
  PutDecimalDigits(offsetText_ + 1, minutes / 60 % 100, 2);
  offsetText_[3] = ':';
  PutDecimalDigits(offsetText_ + 4, minutes % 60, 2);
  return offset_;
}

char* LocalTimeText::Put(char* p, int64_t utcMs, bool withMs) {
  const int64_t seconds = FloorDiv(utcMs, 1000);
  const int64_t local = seconds + OffsetAt(seconds);
  const int64_t day = FloorDiv(local, kSecondsPerDay);
  const int64_t secondOfDay = local - day * kSecondsPerDay;
  if (day != dayNumber_) {
    const QDate date = QDate::fromJulianDay(kEpochJulianDay + day);
    dayLength_ = static_cast<size_t>(std::snprintf(dayText_, sizeof dayText_, "%04d-%02d-%02dT",
                                                   date.year(), date.month(), date.day()));
    dayLength_ = std::min(dayLength_, sizeof dayText_ - 1);
    dayNumber_ = day;
  }
  std::memcpy(p, dayText_, dayLength_);
  p += dayLength_;
  p = PutDecimalDigits(p, secondOfDay / 3600, 2);
  *p++ = ':';
  p = PutDecimalDigits(p, secondOfDay / 60 % 60, 2);
  *p++ = ':';
  p = PutDecimalDigits(p, secondOfDay % 60, 2);
  if (withMs) {
    *p++ = '.';
    p = PutDecimalDigits(p, utcMs - seconds * 1000, 3);
  }
  std::memcpy(p, offsetText_, 6);
  return p + 6;
}

void LocalTimeText::Append(std::string& out, int64_t utcMs, bool withMs) {
  char buffer[40];
  out.append(buffer, static_cast<size_t>(Put(buffer, utcMs, withMs) - buffer));
}
