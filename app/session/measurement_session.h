// The measurement session: the start and stop of a measurement, the computer-paced tick (Timer1)
// and the unit-paced poll (Timer2) that fill the record set, and, in a continuous recording, the
// change to an emptied record set each time the buffers are full. It knows no window: the
// driver's messages go through the dialog service, and what happens is announced by signals that
// the main window, the recording journal, the continuous recording and `korvale --record` follow.
// Every signal is delivered at once, inside the step that emits it.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/record_set.h"
#include "session/acquisition_counters.h"

class DialogService;
class MDX4A;
class ModuleData;
class QTimer;

// Why a measurement ended.
enum class StopReason {
  Operator,     // "停止", or the command line's end (a signal, its duration, a closed pipe)
  Refused,      // a follower refused the start (the graph's fixed range is invalid)
  TimerError,   // the interval gives no usable computer timer
  StartError,   // a unit refused to start sampling
  DriverError,  // a reading or a poll failed
  BuffersFull,  // every slot is used (only without continuous recording)
};

// The samples one tick or poll stored: unit i's new samples are the slots from[i] to to[i] - 1 of
// its buffer (none when they are equal). After a change of record set, from[] starts at 0.
struct StoredSamples {
  std::array<int32_t, 4> from{};
  std::array<int32_t, 4> to{};
  // The unit-paced poll that stored them, numbered from 0 in the measurement (across its record
  // sets); 0 for a computer-paced tick.
  int32_t poll = 0;

  // The record set's first samples: no unit had a sample in it before (a late first tick may
  // store its sample after empty slots, which count as samples).
  bool FirstOfRecordSet() const;
  // The samples that every unit used in set has reached (the rows that are complete).
  int32_t CompleteIn(const RecordSet& set) const;
};

class MeasurementSession : public QObject {
  Q_OBJECT

 public:
  MeasurementSession(ModuleData& md, MDX4A& driver, DialogService& dialogs,
                     QObject* parent = nullptr);
  ~MeasurementSession() override;

  // Starts a measurement with the current settings: opens the used units, empties the record set,
  // takes the start time and starts the sampling mode's timer. False when it did not start (the
  // reason has been shown; a start that got as far as emptying the record set has also stopped).
  bool Start();
  // Ends the measurement: the timer stops, the units are closed. Nothing happens while idle. An
  // operator's stop of a unit-paced measurement first fetches what the units sampled since the
  // last poll (a failure of that fetch ends it as a driver error); readings a full unit kept for
  // the next record set of a continuous recording become that record set.
  void StopMeasure(StopReason reason = StopReason::Operator);
  // For a follower of aboutToStart: the start ends there, through StopMeasure(Refused).
  void RefuseStart();
  // While measuring: a mark at the newest sample of the record set (at sample 1 before its first
  // sample), with the measurement's next running number and text (empty: "マーク N"), announced
  // by markAdded before this returns. Nothing while idle.
  std::optional<Mark> AddMark(const QString& text);

  // Continuous recording: a full record set is handed to the followers of recordSetFull and the
  // measurement goes on in an emptied one, instead of ending. Set between measurements.
  void SetContinuous(bool on) { continuous_ = on; }
  bool Continuous() const { return continuous_; }
  // The record set's place in the run (1 for the first) and the samples of the whole run.
  int32_t FileNumber() const { return fileNumber_; }
  int64_t RunSamples() const;
  // The run's start, to the second (the start time text and the file names); the start time of
  // the record set with number file, on the same second.
  QDateTime RunStart() const { return runStart_; }
  QDateTime FileStartTime(int32_t file) const;
  // The same instants to the millisecond, in ms since the epoch: where the samples' times are
  // worked out (the stream, the alarms).
  int64_t RunStartMs() const { return runStartMs_; }
  int64_t FileStartMs(int32_t file) const;
  // The acquisition counters of the measurement: reset by Start, kept across a change of record
  // set.
  const AcquisitionCounters& Counters() const { return counters_; }
  // Milliseconds of the monotonic clock since the start of the measurement.
  int64_t MeasuringMs() const;

  // Monotonic milliseconds: the place of a computer-paced sample in time is measured on it, and
  // MeasuringMs counts on it (tests drive it by hand).
  std::function<int64_t()> clock;

  // The timers of the two sampling modes: Timer1 computer-paced, Timer2 polls every 300 ms.
  QTimer* Timer1() const { return timer1_; }
  QTimer* Timer2() const { return timer2_; }
  void Timer1_Timer();
  void SampleTick();
  bool ReadSingleAverage();
  void Timer2_Timer();
  void PollTick();
  bool CheckBufferSpace();
  bool ReadDatas();
  bool ReadDatasAverage();
  void UpdateSampleCount();

  // The rate passed to the units in the unit-paced mode, in units of 10 ms.
  int16_t UnitRate() const;
  // "yyyy/m/d h:m:s" without leading zeros.
  static QString FormatStartTime(const QDateTime& t);

 signals:
  // The units are open; the record set is about to be emptied for the new measurement.
  void preparing();
  // The record set is empty and Measuring is true; a follower may refuse the start here.
  void aboutToStart();
  // The start time is set; the timer starts next.
  void started();
  // A tick or poll stored samples in set, the current record set (not emitted for a poll that
  // failed: the stop follows).
  void samplesStored(const RecordSet& set, const StoredSamples& samples);
  // Continuous recording: every slot of the record set is used; it is emptied when this returns.
  void recordSetFull();
  // Continuous recording: the record set is empty again, with the next number and start time.
  void recordSetRenewed();
  void stopped(StopReason reason);
  // A mark was added to set, the current record set (AddMark); a follower that keeps the marks
  // safe (the journal) has done so when this returns.
  void markAdded(const RecordSet& set, const Mark& mark);
  // A driver call failed with code; its message has been shown.
  void error(int16_t code);

 private:
  // Guards a timer handler: a tick that arrives while another one (or a message box it opened)
  // is still running is dropped.
  class TickGuard;

  // A computer-paced tick with a sample due: the sample goes to the slot of the time it is taken,
  // slot (the sample number in the run), after empty ones for the samples missed.
  void TakeTimedSample(int64_t slot);
  // Leaves count slots of every used unit empty (NoData) as samples that were never taken,
  // changing the record set of a continuous recording when it fills. False when the measurement
  // ended (buffers full without continuous recording).
  bool SkipSamples(int64_t count);
  // Brings the next computer-paced tick back onto the sampling grid after a late one.
  void Rephase(int64_t elapsed);
  // The start's instant: the start time text, the record set's exact start and the run's.
  void TakeRunStart();
  // Starts the sampling mode's timer (or the units' own sampling). False when it failed (the stop
  // has happened).
  bool StartSampling();
  // The operator's stop of a unit-paced measurement: one more poll of what the units have
  // buffered. False when the poll failed.
  bool FetchLast();
  // Stores one value of a unit in its next slot and folds it into the unit's extremes; a unit
  // whose buffer is full keeps it for the next record set (continuous recording). Returns true
  // when the unit can take no more in this poll.
  bool StoreUnitValue(int unit, float v);
  // One poll of the used units; `average` folds AverageCount raw readings into one sample.
  bool FetchUnits(bool average);
  // Emits samplesStored for the samples stored since the last announcement.
  void Announce();
  // Continuous recording: whether the record set is to be handed on and started again.
  bool RecordSetComplete() const;
  void RenewRecordSet();

  ModuleData& md_;
  MDX4A& driver_;
  DialogService& dialogs_;
  QTimer* timer1_;
  QTimer* timer2_;
  bool inTick_ = false;   // a tick (with the message boxes it opened) is still running
  bool refused_ = false;  // a follower of aboutToStart refused the start
  bool continuous_ = false;
  QDateTime runStart_;
  int64_t runStartMs_ = 0;    // the run's start to the millisecond, since the epoch
  int64_t startClockMs_ = 0;  // clock() at the run's start
  int32_t fileNumber_ = 1;
  int32_t lastMarkNumber_ = 0;  // the running number of the measurement's newest mark
  AcquisitionCounters counters_;
  std::array<int32_t, 4> announced_{};  // slots of each unit announced by samplesStored
  // Readings of a unit whose buffer is full, waiting for the next record set.
  std::array<std::vector<float>, 4> carry_;
};
