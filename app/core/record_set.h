// A record set: the samples of the four units with their counts and extremes, the start time, the
// memo lines and the settings that produced them. It is what a data file holds and what every
// writer, reader, follower and page works from; the data module holds the current one. The
// current settings are the record set's settings: a read replaces them with the file's, and a
// change of settings empties the record set.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The samples of one unit and what describes them.
struct UnitRecord {
  std::vector<float> Data;  // sample k+1 of the record set in slot k; NoData when empty
  float MaxValue = 0;
  float MinValue = 0;
  bool MflagID = false;   // the unit is used
  int16_t ConnectID = 0;  // thermocouple type 0..7 (B, R, S, N, K, E, J, T)
  int32_t DataCount = 0;  // samples taken for the unit in the current record set
  // The operator's name of the channel ("炉内"); empty when none is given. A setting like
  // ConnectID, at most kMaxNameLength characters; a read file's names come from its sidecar.
  QString Name;
  // MaxValue and MinValue hold a measured value (a NoData slot never enters them).
  bool HasValue = false;

  // Folds v into MaxValue and MinValue; the first value sets both. A slot without a measured value
  // (RecordSet::IsMeasured) is skipped.
  void FoldExtremes(float v, bool measKind);
};

// A mark the operator set at a sample: its running number in the measurement (the default text is
// "マーク N" with this N), the sample it marks (1-based in its record set) and its text.
struct Mark {
  int32_t number = 0;
  int32_t sample = 0;
  QString text;
};

struct RecordSet {
  static constexpr int kUnits = 4;
  static constexpr int kMaxNameLength = 32;
  static constexpr int32_t MaxData = 88000;
  static constexpr float NoData = -99999.0f;
  // The driver's value for a thermocouple reading it cannot convert (an open or out-of-range
  // thermocouple). Stored and saved as it came; in a voltage measurement it is an ordinary value.
  static constexpr float NotConverted = -300.0f;

  // v is a measurement: neither an empty slot nor, in a temperature measurement (measKind False),
  // the driver's NotConverted. Only such values are drawn and fitted into the vertical range.
  static bool IsMeasured(float v, bool measKind) {
    return v != NoData && (measKind || v != NotConverted);
  }

  std::array<UnitRecord, kUnits> Units;
  // The settings that produced the samples (defaults as with an empty settings store).
  bool TimerType = false;     // True: the computer's timer paces sampling
  int32_t IntervalTM = 1000;  // sampling interval in milliseconds
  bool MeasKind = false;      // True: voltage on all units
  bool DataAverage = false;

  int32_t SampleCount = 0;
  float AllMax = 0;
  float AllMin = 0;
  QString StartTime;
  std::array<QString, 5> MemoText;
  // The bytes the start time and the memo lines were read from, when they came from a file (code
  // page 932, possibly with bytes it does not define). A text that still reads as its bytes is
  // written back as those bytes, so that a read and a save change no text the operator did not
  // edit. Clear forgets the start time's, ClearMemo the memo lines'.
  QByteArray StartTimeBytes;
  std::array<QByteArray, 5> MemoBytes;
  // The exact instant the record set's time axis begins, in ms since the epoch: sample k was taken
  // StartMs + k x IntervalTM. Known (HasStartMs) for a measured record set and for a file read
  // with a sidecar; otherwise the times come from the start time text, to the second.
  int64_t StartMs = 0;
  bool HasStartMs = false;
  // The marks, in sample order (marks at one sample in the order they were set).
  std::vector<Mark> Marks;

  // A new record set is empty, with its buffers already sized.
  RecordSet();

  void InitDataBuffers();
  // Empties the samples, counts, extremes and marks and blanks the start time and its instant; the
  // settings (with the channel names) and the memo lines stay.
  void Clear();
  void ClearMemo();
  void UpdateUnitMaxMin(int32_t n);
  void UpdateAllMaxMin();
  void MergeAllMaxMin();
  // AllMax and AllMin hold a measured value (they start inverted, holding none).
  bool HasExtremes() const;

  // Adds a mark at sample (clamped into 1..max(SampleCount, 1)) after the marks already there.
  // A number of 0 takes NextMarkNumber(); an empty text becomes "マーク N".
  const Mark& AddMark(int32_t sample, const QString& text, int32_t number = 0);
  // One past the largest mark number (1 when there is none).
  int32_t NextMarkNumber() const;
  // The unit's label for the operator: "ID0", or "ID0 炉内" with a name.
  QString UnitLabel(int unit) const;

  // The measurement type passed to the driver for unit i: 8 for voltage, else its ConnectID.
  uint8_t MeasTypeOf(int unit) const;
};
