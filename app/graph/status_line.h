// The status line under the graph: how many samples the record set holds of the buffers'
// capacity, the measuring time they span and the time left until the buffers are full at the
// current interval, with a warning when less than 5 % of the capacity remains. A record set read
// from a file shows its samples and time span only.
#pragma once

#include <QString>
#include <cstdint>

struct StatusLine {
  QString text;
  bool warning = false;  // less than 5 % of the buffers left
};

// samples of capacity taken every intervalMs milliseconds.
StatusLine MakeStatusLine(int32_t samples, int32_t capacity, int32_t intervalMs);
// A continuous recording: the record set that becomes file number `file` holds samples of
// capacity, the whole run runSamples; the time is the run's, then the time until the file is full.
StatusLine MakeRecordingStatusLine(int32_t file, int32_t samples, int32_t capacity,
                                   int64_t runSamples, int32_t intervalMs);
// A record set read from a file: its samples and the time they span; nothing fills it any more.
StatusLine MakeReadStatusLine(int32_t samples, int32_t intervalMs);

// A duration in milliseconds as "h:mm:ss", with the days in front from one day on
// ("3日 04:05:06"); parts of a second are dropped.
QString FormatDuration(int64_t ms);
