// The sidecar of an own data file: what the data file's fixed layout cannot hold (the channel
// names, the marks, the exact start instant), in a UTF-8 JSON file beside it named by appending
// ".json" to its name ("run.mx1" -> "run.mx1.json"). Other programs read the data file byte for
// byte, so it stays as it is; a data file without a sidecar reads exactly as before. A sidecar is
// written whole and published like every file of the program (files/publish.h), never appended.
// Its layout is in docs/sidecar.md.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/record_set.h"

// What a sidecar holds for one record set.
struct Sidecar {
  bool hasStart = false;
  int64_t startMs = 0;  // the exact start, ms since the epoch: sample k is at start + k x interval
  std::array<QString, RecordSet::kUnits> names;
  std::vector<Mark> marks;  // in sample order
  // For the marks' times when written: the record set's interval and the instant its time axis
  // begins (the exact start, or else its start time text to the second), when known.
  int32_t intervalMs = 0;
  std::optional<int64_t> axisStartMs;

  // True when there is anything to keep (an exact start, a name or a mark).
  bool HasContent() const;
};

// The sidecar's path for the data file at dataPath.
QString SidecarPath(const QString& dataPath);

// rs's names, marks and exact start.
Sidecar SidecarOf(const RecordSet& rs);
// True when rs has anything a sidecar keeps (an exact start, a name or a mark).
inline bool NeedsSidecar(const RecordSet& rs) {
  return SidecarOf(rs).HasContent();
}
// Gives rs the sidecar's names, marks (clamped into its samples) and exact start.
void ApplySidecar(const Sidecar& sidecar, RecordSet& rs);

// The sidecar's text for the data file named dataFileName (no folder), with
// samples as its record count (none for a journal that still grows).
QByteArray EncodeSidecar(const Sidecar& sidecar, const QString& dataFileName,
                         std::optional<int32_t> samples);

// Writes the sidecar beside the data file at dataPath, replacing an older one only by a complete
// new one. With nothing to keep, an older sidecar of that name is removed instead, so that it is
// never taken for this record set's. False with the operator's reason (Japanese).
bool SaveSidecar(const Sidecar& sidecar, const QString& dataPath, std::optional<int32_t> samples,
                 QString* error);
inline bool SaveSidecar(const RecordSet& rs, const QString& dataPath,
                        std::optional<int32_t> samples, QString* error) {
  return SaveSidecar(SidecarOf(rs), dataPath, samples, error);
}

enum class SidecarRead {
  None,     // no sidecar beside the data file
  Read,     // *sidecar holds it
  Ignored,  // it belongs to another data file (its data_file names another one)
  Refused,  // it cannot be read (not JSON, a later format): *error says why
};
// Reads the sidecar beside the data file at dataPath.
SidecarRead ReadSidecar(const QString& dataPath, Sidecar& sidecar, QString* error = nullptr);
// Parses a sidecar's bytes for the data file named dataFileName.
SidecarRead ParseSidecar(const QByteArray& bytes, const QString& dataFileName, Sidecar& sidecar,
                         QString* error = nullptr);

// The local time of utcMs as "2026-12-08T05:03:35.123+09:00".
QString IsoLocalTimeMs(int64_t utcMs);
