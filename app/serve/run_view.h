// The state of a run as the web view shows it: its columns, every row it holds (as columns of
// float32 per unit and a time per row), the marks, the alarm state of each unit and the
// publishing destinations. It knows nothing of the session: a follower hands it the run's rows
// (core/run_rows.h) as they are stored.
//
// It holds the newest kMaxRows rows of the run (about 5.5 hours at 10 ms, 23 days at 1 s): 24
// bytes a row with four units, so at most about 50 MB. Older rows are dropped a chunk at a time;
// the answers say from which sample on the rows are held (FirstHeld).
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "core/run_rows.h"

class RunView {
 public:
  static constexpr int64_t kMaxRows = 2000000;

  // Alarm kinds in the order the answers give them.
  static constexpr int kAlarmKinds = 3;
  static const char* AlarmKindName(int kind);  // "high", "low", "open"

  // A measurement started: forgets the rows, marks and alarms of the one before.
  void Begin(const RunBegin& run);
  // Rows of the run, in order, each once.
  void AddRows(const std::vector<RunSample>& rows);
  void AddMark(const RunMark& mark);
  void SetAlarm(const RunAlarm& alarm);
  void SetFileNumber(int32_t fileNumber) { run_.fileNumber = fileNumber; }
  void End() { running_ = false; }
  void SetDestinations(std::vector<PublishDestinationStatus> destinations) {
    destinations_ = std::move(destinations);
  }

  bool Running() const { return running_; }
  bool Begun() const { return begun_; }
  const RunBegin& Run() const { return run_; }
  // Rows stored in the run so far, including those no longer held.
  int64_t Count() const { return firstHeld_ + static_cast<int64_t>(times_.size()); }
  // The sample number of the oldest row held.
  int64_t FirstHeld() const { return firstHeld_; }
  int Columns() const { return static_cast<int>(run_.units.size()); }
  // A held row's time and its value in column c (NaN for none); sample in [FirstHeld, Count).
  int64_t TimeOf(int64_t sample) const { return times_[Index(sample)]; }
  float ValueOf(int c, int64_t sample) const { return values_[c][Index(sample)]; }
  const float* Column(int c) const { return values_[c].data(); }
  const int64_t* Times() const { return times_.data(); }
  // The newest row's value in column c; none when the run has no row or the row no value there.
  std::optional<float> Newest(int c) const;
  bool AlarmActive(int c, int kind) const { return alarms_[static_cast<size_t>(c)][kind]; }
  const std::vector<RunMark>& Marks() const { return marks_; }
  const std::vector<PublishDestinationStatus>& Destinations() const { return destinations_; }
  // The marks at sample joined by " / " (the analysis CSV's mark field), empty when none.
  QString MarkTextAt(int64_t sample) const;

 private:
  size_t Index(int64_t sample) const { return static_cast<size_t>(sample - firstHeld_); }
  void DropOldest();

  bool begun_ = false;
  bool running_ = false;
  RunBegin run_;
  int64_t firstHeld_ = 0;
  std::vector<int64_t> times_;
  std::vector<std::vector<float>> values_;  // per column
  std::vector<std::array<bool, kAlarmKinds>> alarms_;
  std::vector<RunMark> marks_;
  std::vector<PublishDestinationStatus> destinations_;
};
