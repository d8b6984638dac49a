// Continuous recording settings of "取込設定": whether a measurement records into a series of own
// data files, one per full record set, and the folder they go to. Kept in the per-user settings
// store, section "Recording" (keys Continuous and Folder), beside the measurement settings.
#pragma once

#include <QString>

struct RecordingSettings {
  bool Continuous = false;  // "連続記録"; off keeps the stop when the buffers are full
  QString Folder;           // empty: the default folder
};

// The folder the files go to: the settings' folder, or ~/korvale-records when none is set.
QString RecordingFolder(const RecordingSettings& settings);
// The default folder of the recordings, ~/korvale-records.
QString DefaultRecordingFolder();
