#include "session/continuous_recording.h"

#include <QDir>

#include "core/module_data.h"
#include "files/file_formats.h"
#include "files/publish.h"
#include "journal/journal_handover.h"
#include "journal/recording_journal.h"
#include "session/measurement_session.h"
#include "session/record_files.h"

ContinuousRecording::ContinuousRecording(MeasurementSession& session, const ModuleData& md,
                                         QString spareFolder, QObject* parent)
    : QObject(parent), session_(session), md_(md), spareFolder_(std::move(spareFolder)) {
  connect(&session, &MeasurementSession::started, this, [this] {
    recording_ = enabled_;
    toldSpare_ = false;
    toldMemory_ = false;
    spareFiles_ = 0;
  });
  connect(&session, &MeasurementSession::recordSetFull, this, [this] {
    if (recording_) WriteRecordSet();
  });
  connect(&session, &MeasurementSession::stopped, this, [this] {
    if (!recording_) return;
    recording_ = false;
    if (md_.Record.SampleCount > 0) {
      WriteRecordSet();
    } else {
      Flush();
    }
  });
}

ContinuousRecording::~ContinuousRecording() {
  if (enabled_) session_.SetContinuous(false);
}

void ContinuousRecording::SetEnabled(bool on) {
  enabled_ = on;
  session_.SetContinuous(on);
}

void ContinuousRecording::WriteRecordSet() {
  PendingFile file;
  file.name = RecordFileName(session_.RunStart(), session_.FileNumber());
  file.samples = md_.Record.SampleCount;
  file.bytes = FileFormatOf(FileFormatId::DataFile).encode(md_.Record);
  if (journal_) file.journal = journal_->Seal(md_, &file.journalComplete);
  pending_.push_back(std::move(file));
  Flush();
}

void ContinuousRecording::Flush() {
  // After the stop (the last file of the run) nothing goes on any more.
  const QString goesOn = recording_ ? QStringLiteral("測定は続けます。") : QString();
  while (!pending_.empty()) {
    PendingFile& file = pending_.front();
    int error = 0;
    QString path = WriteInto(folder_, file, &error);
    if (path.isEmpty()) {
      int spareError = 0;
      path = WriteInto(spareFolder_, file, &spareError);
      if (path.isEmpty()) {
        if (!toldMemory_) {
          toldMemory_ = true;
          emit warning(QStringLiteral("連続記録のファイルを書き込めません（%1）。\n"
                                      "%3書き込めるようになるまで、"
                                      "データはメモリーに保持します。\n%2")
                           .arg(DiskErrorReason(error), QDir::toNativeSeparators(folder_), goesOn));
        }
        return;
      }
      ++spareFiles_;
      if (!toldSpare_) {
        toldSpare_ = true;
        emit warning(
            QStringLiteral("連続記録のファイルを記録フォルダーに書き込めません（%1）。\n"
                           "%3ファイルは次のフォルダーに保存します。\n%2")
                .arg(DiskErrorReason(error), QDir::toNativeSeparators(spareFolder_), goesOn));
      }
    }
    // The file is on the disk: its journal goes at once. A program that dies before leaves the
    // note that makes the next start drop the journal instead of keeping its samples twice.
    FinishHandover(file.journal);
    emit fileWritten(path, file.samples);
    pending_.pop_front();
  }
}

QString ContinuousRecording::WriteInto(const QString& folder, PendingFile& file, int* error) {
  JournalFile& journal = file.journal;
  return CreateNewFile(folder, file.name, file.bytes, error, [&journal](const QString& path) {
    if (journal.IsOpen()) NoteHandover(journal, path);
  });
}

QStringList ContinuousRecording::PendingJournals(bool whole) const {
  QStringList paths;
  for (const PendingFile& file : pending_) {
    if (file.journal.IsOpen() && file.journalComplete == whole) paths << file.journal.Path();
  }
  return paths;
}
