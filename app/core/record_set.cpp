#include "core/record_set.h"

#include <algorithm>

#include "core/axis_range.h"

void UnitRecord::FoldExtremes(float v, bool measKind) {
  // A slot without a value (a failed reading) never becomes an extreme, not even the first one:
  // a single -99999 would flatten every curve for the rest of the record set. Nor does an open
  // thermocouple's -300, which would stretch the range of a room-air curve down past -300.
  if (!RecordSet::IsMeasured(v, measKind)) return;
  if (!HasValue) {
    MaxValue = v;
    MinValue = v;
    HasValue = true;
  } else {
    if (v > MaxValue) MaxValue = v;
    if (v < MinValue) MinValue = v;
  }
}

RecordSet::RecordSet() {
  Units[0].MflagID = true;
  InitDataBuffers();
  Clear();
}

void RecordSet::InitDataBuffers() {
  for (auto& u : Units) u.Data.resize(MaxData, NoData);
}

void RecordSet::Clear() {
  // Starting extremes of a fresh record set. The per-unit values start at the ends of the scale;
  // the overall values start inverted (maximum below minimum), which marks them as holding no
  // value yet: the first value folded in replaces them.
  const RangeY scale = DefaultRangeY(MeasKind);
  AllMax = scale.min;
  AllMin = scale.max;
  for (auto& u : Units) {
    u.MaxValue = scale.max;
    u.MinValue = scale.min;
    u.HasValue = false;
    u.DataCount = 0;
    std::fill(u.Data.begin(), u.Data.end(), NoData);
  }
  SampleCount = 0;
  StartTime = QString(19, QLatin1Char(' '));
  StartTimeBytes.clear();
  StartMs = 0;
  HasStartMs = false;
  Marks.clear();
}

void RecordSet::ClearMemo() {
  for (auto& m : MemoText) m.clear();
  for (auto& b : MemoBytes) b.clear();
}

void RecordSet::UpdateUnitMaxMin(int32_t n) {
  for (auto& u : Units) {
    if (!u.MflagID) continue;
    // Sample numbers outside the buffer have no slot; the acquisition never passes one.
    if (n < 1 || n > static_cast<int64_t>(u.Data.size())) continue;
    if (n == 1) u.HasValue = false;  // a new record set
    u.FoldExtremes(u.Data[n - 1], MeasKind);
  }
}

bool RecordSet::HasExtremes() const {
  return AllMax >= AllMin;
}

void RecordSet::UpdateAllMaxMin() {
  if (SampleCount == 1) {
    // A new record set: the extremes start over, holding no value.
    const RangeY scale = DefaultRangeY(MeasKind);
    AllMax = scale.min;
    AllMin = scale.max;
  }
  MergeAllMaxMin();
}

void RecordSet::MergeAllMaxMin() {
  for (const auto& u : Units) {
    // A unit that has measured nothing yet (all NoData, or no sample in this poll) has only its
    // starting values, which are no measurement.
    if (!u.MflagID || !u.HasValue) continue;
    if (!HasExtremes()) {
      AllMax = u.MaxValue;
      AllMin = u.MinValue;
    } else {
      AllMax = std::max(AllMax, u.MaxValue);
      AllMin = std::min(AllMin, u.MinValue);
    }
  }
}

uint8_t RecordSet::MeasTypeOf(int unit) const {
  if (MeasKind) return 8;
  const int16_t type = Units[unit].ConnectID;
  // A type the byte cannot carry is passed as 255, which the driver rejects, rather than
  // truncated into a valid type.
  return (type >= 0 && type <= 255) ? static_cast<uint8_t>(type) : uint8_t{255};
}

const Mark& RecordSet::AddMark(int32_t sample, const QString& text, int32_t number) {
  Mark mark;
  mark.number = number > 0 ? number : NextMarkNumber();
  mark.sample = std::clamp(sample, 1, std::max(SampleCount, 1));
  mark.text = text.isEmpty() ? QStringLiteral("マーク %1").arg(mark.number) : text;
  const auto at = std::upper_bound(Marks.begin(), Marks.end(), mark.sample,
                                   [](int32_t s, const Mark& m) { return s < m.sample; });
  return *Marks.insert(at, mark);
}

int32_t RecordSet::NextMarkNumber() const {
  int32_t largest = 0;
  for (const Mark& m : Marks) largest = std::max(largest, m.number);
  return largest + 1;
}

QString RecordSet::UnitLabel(int unit) const {
  const QString id = QStringLiteral("ID%1").arg(unit);
  const QString& name = Units[unit].Name;
  return name.isEmpty() ? id : id + QLatin1Char(' ') + name;
}
