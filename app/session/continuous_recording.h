// Continuous recording: each full record set of a measurement becomes an own data file of its
// own in a folder, named from the measurement's start and a running number
// ("20261208-050335-0001.mx1", "-0002", ...), and the samples left at the stop become the last
// one, so that the files of a run hold each of its samples exactly once. A file that cannot be
// written in the folder goes to a spare folder; one that cannot be written there either stays in
// memory and is written with the next one. Neither stops the measurement; the operator is told
// once per measurement where the files went.
//
// With a recording journal, the journal of each record set is handed over with its file: it stays
// on the disk until the file is written there (journal_handover.h), and a file never written
// leaves its journal for the next start, which keeps it as a dated file.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>

#include "files/sidecar.h"
#include "journal/journal_file.h"

class MeasurementSession;
class ModuleData;
class RecordingJournal;
enum class StopReason;

class ContinuousRecording : public QObject {
  Q_OBJECT

 public:
  // Follows session, whose record set is md; spareFolder takes files the folder does not.
  ContinuousRecording(MeasurementSession& session, const ModuleData& md, QString spareFolder,
                      QObject* parent = nullptr);
  ~ContinuousRecording() override;

  // The folder of the next files.
  void SetFolder(const QString& folder) { folder_ = folder; }
  const QString& Folder() const { return folder_; }
  const QString& SpareFolder() const { return spareFolder_; }
  // The journal following the session (may be null: the samples then live only in memory until
  // their file is written). It must outlive this recording's record sets.
  void SetJournal(RecordingJournal* journal) { journal_ = journal; }
  // On, the session's measurements from the next start on are recorded continuously; off, they
  // end when the buffers are full, as without this recording.
  void SetEnabled(bool on);
  // Files written nowhere yet, kept in memory.
  int PendingFiles() const { return static_cast<int>(pending_.size()); }
  // The journals of the files written nowhere yet that hold every sample of their file (whole),
  // or only a part of them (a journal that could not be written to the end).
  QStringList PendingJournals(bool whole) const;
  // Files of the measurement since its start that went to the spare folder.
  int SpareFiles() const { return spareFiles_; }

 signals:
  // A file of the run is complete on the disk at path with samples records.
  void fileWritten(const QString& path, int32_t samples);
  // The operator's message: files went to the spare folder, or are held in memory.
  void warning(const QString& text);

 private:
  struct PendingFile {
    QString name;
    int32_t samples = 0;
    QByteArray bytes;
    Sidecar sidecar;      // its names, marks and exact start (files/sidecar.h)
    JournalFile journal;  // the record set's journal, kept until the file is written
    bool journalComplete = false;
  };

  // Writes the record set in memory as the run's next file, after any that wait.
  void WriteRecordSet();
  // Writes the waiting files in order; stops at the first that no folder takes.
  void Flush();
  // Writes file into folder; its path, or an empty text with *error set.
  QString WriteInto(const QString& folder, PendingFile& file, int* error);

  MeasurementSession& session_;
  const ModuleData& md_;
  QString folder_;
  QString spareFolder_;
  RecordingJournal* journal_ = nullptr;
  bool enabled_ = false;
  bool recording_ = false;  // a measurement of this recording runs
  bool toldSpare_ = false;  // the operator knows that files go to the spare folder
  bool toldMemory_ = false;
  int spareFiles_ = 0;
  std::deque<PendingFile> pending_;
};
