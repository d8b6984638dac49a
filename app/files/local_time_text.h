// A moment as ISO 8601 local time with its offset from UTC ("2026-12-08T05:03:35.120+09:00"),
// formatted straight into bytes: the analysis CSV writes one per row, and the outputs that follow
// a run (its publishing, its web view) write the same text for the same sample. The offset comes
// from the C library's local zone, asked once per span of constant offset rather than once per
// moment.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

// The local zone's offset from UTC, in seconds, at the instant t (seconds since the epoch).
int64_t LocalZoneOffset(int64_t t);
// v in width decimal digits, with leading zeros.
char* PutDecimalDigits(char* p, int64_t v, int width);

class LocalTimeText {
 public:
  LocalTimeText();

  // Writes utcMs (ms since the epoch) as "yyyy-mm-ddThh:mm:ss.mmm+hh:mm" (without ".mmm" unless
  // withMs) at p, 29 bytes at most; returns the end.
  char* Put(char* p, int64_t utcMs, bool withMs);
  // The same text appended to out.
  void Append(std::string& out, int64_t utcMs, bool withMs = true);

 private:
  // The local zone's offset in seconds at utcSeconds.
  int64_t OffsetAt(int64_t utcSeconds);

  // The local zone's offset, kept for the span of instants [offsetFrom_, offsetTo_) it holds for.
  int64_t offsetFrom_ = 1;
  int64_t offsetTo_ = 0;
  int64_t offset_ = 0;
  char offsetText_[6] = {};
  // The date text of the local day dayNumber_ (days since 1970-01-01).
  int64_t dayNumber_ = std::numeric_limits<int64_t>::min();
  char dayText_[32] = {};
  size_t dayLength_ = 0;
};
