// Start and stop of a measurement, and the change of record set in a continuous recording. The
// timer handlers are in session_sampling.cpp.
#include "session/measurement_session.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/operator_number.h"
#include "core/settings_rules.h"

namespace {

const QString kTimerError = QStringLiteral("タイマー設定エラーのため測定開始できません。");
const QString kStartError = QStringLiteral("エラーのため測定開始できません。");

// A unit this many readings behind the others no longer holds up the change of record set: the
// file is written with its missing samples empty.
constexpr size_t kCarryLimit = RecordSet::MaxData;

int64_t SteadyMs() {
  static QElapsedTimer timer;
  if (!timer.isValid()) timer.start();
  return timer.elapsed();
}

}  // namespace

MeasurementSession::MeasurementSession(ModuleData& md, MDX4A& driver, DialogService& dialogs,
                                       QObject* parent)
    : QObject(parent),
      md_(md),
      driver_(driver),
      dialogs_(dialogs),
      timer1_(new QTimer(this)),
      timer2_(new QTimer(this)) {
  clock = &SteadyMs;
  // Never early: a computer-paced tick belongs to the slot of the time it comes at.
  timer1_->setTimerType(Qt::PreciseTimer);
  timer2_->setInterval(300);
  connect(timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
  connect(timer2_, &QTimer::timeout, this, [this] { Timer2_Timer(); });
}

MeasurementSession::~MeasurementSession() {
  timer1_->stop();
  timer2_->stop();
}

QString MeasurementSession::FormatStartTime(const QDateTime& t) {
  const QDate d = t.date();
  const QTime c = t.time();
  return QStringLiteral("%1/%2/%3 %4:%5:%6")
      .arg(d.year(), 4, 10, QLatin1Char('0'))
      .arg(d.month())
      .arg(d.day())
      .arg(c.hour())
      .arg(c.minute())
      .arg(c.second());
}

int16_t MeasurementSession::UnitRate() const {
  if (md_.Record.DataAverage) return 1;
  // The units take their interval in steps of 10 ms; the driver refuses what is out of range.
  const double rate = RoundHalfEven(md_.Record.IntervalTM / 10.0);
  if (rate > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (rate < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(rate);
}

bool MeasurementSession::Start() {
  if (md_.Measuring) return false;
  // Settings the dialog would refuse (a data file's header, a hand-edited settings file) are
  // refused with the dialog's message before any unit is opened.
  if (!CheckSettings(md_, dialogs_)) return false;
  // OpenUnits has shown its message and closed what it opened; the data stay as they are.
  const int16_t opened = driver_.OpenUnits(md_);
  if (opened != 0) {
    if (opened != MDX4A::kNoUnitUsed) emit error(opened);
    return false;
  }
  emit preparing();

  md_.ClearData();
  md_.Record.ClearMemo();
  counters_ = AcquisitionCounters{};
  md_.Measuring = true;
  md_.Unsaved = true;
  refused_ = false;
  emit aboutToStart();
  if (refused_) {
    StopMeasure(StopReason::Refused);
    return false;
  }

  TakeRunStart();
  emit started();
  return StartSampling();
}

void MeasurementSession::TakeRunStart() {
  // The start time text and the file names take the whole second; the samples' times are worked
  // out from the instant to the millisecond. The record sets that follow start whole multiples of
  // their span later.
  const QDateTime now = QDateTime::currentDateTime();
  startClockMs_ = clock();
  runStartMs_ = now.toMSecsSinceEpoch();
  runStart_ =
      QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
  fileNumber_ = 1;
  lastMarkNumber_ = 0;
  announced_.fill(0);
  for (auto& readings : carry_) readings.clear();
  md_.Record.StartTime = FormatStartTime(runStart_);
  md_.Record.StartMs = runStartMs_;
  md_.Record.HasStartMs = true;
}

bool MeasurementSession::StartSampling() {
  if (md_.Record.TimerType) {
    if (!counters_.SetTickTimer(md_.Record.IntervalTM)) {
      dialogs_.Notice(kTimerError);
      StopMeasure(StopReason::TimerError);
      return false;
    }
    counters_.TickCount = 0;
    timer1_->setInterval(counters_.TickPeriod);
    timer1_->start();
  } else {
    const int16_t result = driver_.StartUnits(md_, UnitRate());
    if (result != 0) {
      if (result != MDX4A::kNoUnitUsed) emit error(result);
      dialogs_.Notice(kStartError);
      StopMeasure(StopReason::StartError);
      return false;
    }
    timer2_->setInterval(300);
    timer2_->start();
  }
  return true;
}

void MeasurementSession::RefuseStart() {
  refused_ = true;
}

std::optional<Mark> MeasurementSession::AddMark(const QString& text) {
  if (!md_.Measuring) return std::nullopt;
  const Mark mark = md_.Record.AddMark(md_.Record.SampleCount, text, ++lastMarkNumber_);
  emit markAdded(md_.Record, mark);
  return mark;
}

void MeasurementSession::StopMeasure(StopReason reason) {
  if (!md_.Measuring) return;
  if (reason == StopReason::Operator && !FetchLast()) reason = StopReason::DriverError;
  if (!md_.Measuring) return;
  // Both timers: only one of them runs, and stopping the other costs nothing.
  timer1_->stop();
  timer2_->stop();
  // Readings a full unit holds for the next record set are samples like any other: they become
  // the first of a record set of their own, which the stop ends.
  if (continuous_ && std::any_of(carry_.begin(), carry_.end(),
                                 [](const std::vector<float>& r) { return !r.empty(); })) {
    RenewRecordSet();
  }
  driver_.CloseUnits(md_);
  md_.Measuring = false;
  emit stopped(reason);
}

int64_t MeasurementSession::RunSamples() const {
  return int64_t{fileNumber_ - 1} * RecordSet::MaxData + md_.Record.SampleCount;
}

QDateTime MeasurementSession::FileStartTime(int32_t file) const {
  // Record set n starts (n - 1) full record sets after the run: its samples keep their nominal
  // times on its own time axis.
  const int64_t ms = int64_t{file - 1} * RecordSet::MaxData * md_.Record.IntervalTM;
  return runStart_.addMSecs(ms);
}

int64_t MeasurementSession::FileStartMs(int32_t file) const {
  return runStartMs_ + int64_t{file - 1} * RecordSet::MaxData * md_.Record.IntervalTM;
}

int64_t MeasurementSession::MeasuringMs() const {
  return clock() - startClockMs_;
}

bool StoredSamples::FirstOfRecordSet() const {
  return *std::max_element(from.begin(), from.end()) == 0;
}

int32_t StoredSamples::CompleteIn(const RecordSet& set) const {
  int32_t n = set.SampleCount;
  for (size_t i = 0; i < to.size(); ++i) {
    if (set.Units[i].MflagID) n = std::min(n, to[i]);
  }
  return n;
}

void MeasurementSession::Announce() {
  StoredSamples samples;
  samples.poll = counters_.PollCount;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    samples.from[i] = announced_[i];
    samples.to[i] = md_.Record.Units[i].DataCount;
    announced_[i] = samples.to[i];
  }
  emit samplesStored(md_.Record, samples);
}

bool MeasurementSession::RecordSetComplete() const {
  bool any = false;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    const UnitRecord& unit = md_.Record.Units[i];
    if (!unit.MflagID) continue;
    if (carry_[i].size() >= kCarryLimit) return true;
    if (unit.DataCount < RecordSet::MaxData) return false;
    any = true;
  }
  return any;
}

void MeasurementSession::RenewRecordSet() {
  emit recordSetFull();

  // As a new measurement's record set, except for what spans the change: the acquisition counters
  // (kept by the session) and the measuring state.
  md_.ClearData();
  md_.Measuring = true;
  ++fileNumber_;
  md_.Record.StartTime = FormatStartTime(FileStartTime(fileNumber_));
  md_.Record.StartMs = FileStartMs(fileNumber_);
  md_.Record.HasStartMs = true;
  announced_.fill(0);

  // Readings that arrived after a unit's buffer was full are its first samples here.
  bool carried = false;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    for (float v : carry_[i]) StoreUnitValue(i, v);
    carried = carried || !carry_[i].empty();
    carry_[i].clear();
  }
  UpdateSampleCount();
  if (md_.Record.SampleCount > 0) md_.Record.MergeAllMaxMin();
  emit recordSetRenewed();
  if (carried) Announce();
}
