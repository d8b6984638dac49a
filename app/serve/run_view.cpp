#include "serve/run_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Rows dropped at once past the limit: one move of the columns per chunk, not per poll.
constexpr int64_t kDropChunk = 200000;

int KindIndex(const QString& kind) {
  for (int k = 0; k < RunView::kAlarmKinds; ++k) {
    if (kind == QLatin1String(RunView::AlarmKindName(k))) return k;
  }
  return -1;
}

}  // namespace

const char* RunView::AlarmKindName(int kind) {
  static const char* const kNames[] = {"high", "low", "open"};
  return kind >= 0 && kind < kAlarmKinds ? kNames[kind] : "";
}

void RunView::Begin(const RunBegin& run) {
  run_ = run;
  begun_ = true;
  running_ = true;
  firstHeld_ = 0;
  times_.clear();
  values_.assign(run.units.size(), {});
  alarms_.assign(run.units.size(), {});
  marks_.clear();
}

void RunView::AddRows(const std::vector<RunSample>& rows) {
  if (!begun_ || rows.empty()) return;
  const float none = std::numeric_limits<float>::quiet_NaN();
  for (const RunSample& row : rows) {
    // Rows arrive once each and in order; one that does not follow on is a later run's restart
    // of the numbering and is taken as it comes.
    if (row.sample != Count()) {
      firstHeld_ = row.sample;
      times_.clear();
      for (std::vector<float>& column : values_) column.clear();
    }
    times_.push_back(row.timeMs);
    for (size_t c = 0; c < run_.units.size(); ++c) {
      const std::optional<float>& v = row.values[static_cast<size_t>(run_.units[c].unit)];
      values_[c].push_back(v ? *v : none);
    }
  }
  if (static_cast<int64_t>(times_.size()) > kMaxRows + kDropChunk) DropOldest();
}

void RunView::DropOldest() {
  const int64_t drop = static_cast<int64_t>(times_.size()) - kMaxRows;
  times_.erase(times_.begin(), times_.begin() + drop);
  for (std::vector<float>& column : values_) column.erase(column.begin(), column.begin() + drop);
  firstHeld_ += drop;
}

void RunView::AddMark(const RunMark& mark) {
  if (!begun_) return;
  // Marks come in the order they are made, each at the newest sample: kept sorted by sample.
  const auto at = std::upper_bound(marks_.begin(), marks_.end(), mark.sample,
                                   [](int64_t s, const RunMark& m) { return s < m.sample; });
  marks_.insert(at, mark);
}

void RunView::SetAlarm(const RunAlarm& alarm) {
  const int kind = KindIndex(alarm.kind);
  if (kind < 0) return;
  for (size_t c = 0; c < run_.units.size(); ++c) {
    if (run_.units[c].unit == alarm.unit) alarms_[c][kind] = alarm.raised;
  }
}

std::optional<float> RunView::Newest(int c) const {
  if (times_.empty()) return std::nullopt;
  const float v = values_[static_cast<size_t>(c)].back();
  if (std::isnan(v)) return std::nullopt;
  return v;
}

QString RunView::MarkTextAt(int64_t sample) const {
  const auto first = std::lower_bound(marks_.begin(), marks_.end(), sample,
                                      [](const RunMark& m, int64_t s) { return m.sample < s; });
  QString text;
  for (auto it = first; it != marks_.end() && it->sample == sample; ++it) {
    if (!text.isEmpty()) text += QStringLiteral(" / ");
    text += it->text;
  }
  return text;
}
