// The samples of a running measurement as plain data, for the outputs that follow a run without
// knowing the record set or the session: the publishing destinations and the web view. A follower
// of the session turns each stored range into these rows; the outputs never read the record set.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// A unit with a column in the run, as the analysis CSV describes it.
struct RunUnit {
  int unit = 0;  // 0..3 ("ID0".."ID3")
  QString type;  // "B".."T" for a thermocouple, "voltage" in a voltage measurement
  QString name;  // the channel name, empty when none is set
};

// What every row of a run shares, fixed at its start.
struct RunBegin {
  std::vector<RunUnit> units;  // in the order of their columns
  int64_t startMs = 0;         // the run's start, ms since the epoch (the analysis CSV's origin)
  int32_t intervalMs = 1000;
  bool voltage = false;  // values in µV; otherwise in °C
  int32_t fileNumber = 1;
};

// One row of the run, as one row of the analysis CSV of the whole run.
struct RunSample {
  int64_t sample = 0;  // the row's number in the run, from 0 (the analysis CSV's `sample`)
  int64_t timeMs = 0;  // the sample's time (the analysis CSV's `time`), ms since the epoch
  // A unit's value, empty exactly where the analysis CSV's field is empty (no reading, or the
  // driver's -300 in a temperature measurement).
  std::array<std::optional<float>, 4> values{};
};

// A mark the operator made at a sample.
struct RunMark {
  int number = 0;      // its running number in the measurement ("マーク N")
  int64_t sample = 0;  // the row it was made at, as RunSample::sample
  int64_t timeMs = 0;  // that row's time
  QString text;
};

// An alarm raised or cleared.
struct RunAlarm {
  int unit = 0;
  QString kind;  // "high", "low" or "open"
  bool raised = false;
  float value = 0;
  std::optional<float> limit;  // none for "open"
  int64_t timeMs = 0;
};

// A publishing destination as its followers report it (the web view's metrics): the URL without
// its password, whether it takes what is sent, and the records waiting in its queue.
struct PublishDestinationStatus {
  QString name;
  bool connected = false;
  int64_t waiting = 0;
};
