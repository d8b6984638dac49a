#include "journal/recording_journal.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/record_set.h"
#include "files/data_file.h"
#include "files/sidecar.h"
#include "journal/journal_handover.h"

namespace {

constexpr int kRecordBytes = 32;
// A push of the file to the disk is asked for at a tick when the previous one is at least this
// long ago; the 300 ms polls then bring data to the disk within a second.
constexpr qint64 kSyncSpacingMs = 700;

qint64 SteadyMs() {
  static QElapsedTimer timer;
  if (!timer.isValid()) timer.start();
  return timer.elapsed();
}

// The samples of a final record set: all of them (a unit that lagged keeps NoData in its last
// slots).
int32_t FinalSamples(const RecordSet& rs) {
  return std::clamp<int32_t>(rs.SampleCount, 0, RecordSet::MaxData);
}

}  // namespace

QString DiskErrorReason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("ディスクの空きがありません");
    case EROFS:
    case EACCES:
    case EPERM:
      return QStringLiteral("書き込みが許可されていません");
    case ENOTDIR:
    case EEXIST:
      return QStringLiteral("記録用のフォルダーを作れません");
    case EFBIG:
      return QStringLiteral("ファイルが大きすぎます");
    case EIO:
      return QStringLiteral("ディスクの読み書きに失敗しました");
    default:
      return QString::fromLocal8Bit(std::strerror(error));
  }
}

QString JournalFolder() {
  // Fixed to the program's name rather than to the running executable's, so that a renamed or
  // wrapped program still finds the journals of earlier runs.
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/korvale");
}

QString JournalFailureText(const QString& path, int error) {
  return QStringLiteral(
             "測定データを記録ファイルに書き込めません（%1）。\n"
             "測定は続けますが、異常終了するとデータは残りません。"
             "測定を停止したら「保存」でデータを保存して下さい。\n%2")
      .arg(DiskErrorReason(error), path);
}

RecordingJournal::RecordingJournal(QString folder) : folder_(std::move(folder)) {
  clock = &SteadyMs;
}

RecordingJournal::~RecordingJournal() {
  sync_.Drain();
  // The program ends with the operator's consent only when no measurement runs (closing is
  // refused while measuring); a journal of a measurement still running is left for the next start.
  if (active_) {
    file_.Close();
  } else {
    file_.Remove();
  }
}

void RecordingJournal::Begin(const RecordSet& rs) {
  active_ = true;
  warned_ = false;
  header_ = EncodeDataHeader(rs, 0);
  headerOnDisk_ = false;
  if (!file_.IsOpen() && !Open()) return;
  WriteSidecar(rs);
  if (WriteHeader()) RequestSync();
}

void RecordingJournal::NewRecordSet(const RecordSet& rs) {
  if (!active_) return;
  header_ = EncodeDataHeader(rs, 0);
  headerOnDisk_ = false;
  // The file of the full record set went with its samples (Seal): the next one is new.
  if (!file_.IsOpen() && !Open()) return;
  WriteSidecar(rs);
  if (WriteHeader()) RequestSync();
}

void RecordingJournal::KeepMarks(const RecordSet& rs) {
  if (active_ && file_.IsOpen()) WriteSidecar(rs);
}

void RecordingJournal::WriteSidecar(const RecordSet& rs) {
  // Replaced whole and synced with its folder (files/publish.h) before the program goes on.
  QString reason;
  if (SaveSidecar(rs, file_.Path(), std::nullopt, &reason) || warned_) return;
  warned_ = true;
  if (onWriteFailure) {
    onWriteFailure(
        QStringLiteral("チャンネル名とマークを記録ファイルの付属ファイルに書き込めません。"
                       "測定は続けます。\n%1\n%2")
            .arg(reason, SidecarPath(file_.Path())));
  }
}

bool RecordingJournal::Open() {
  int error = 0;
  file_ = JournalFile::Create(folder_, &error);
  if (!file_.IsOpen()) {
    Failed(error);
    return false;
  }
  // A note an earlier program of the same number left beside this name is no note of this one.
  ::unlink(QFile::encodeName(HandoverNotePath(file_.Path())).constData());
  return true;
}

JournalFile RecordingJournal::Seal(const RecordSet& rs, bool* complete) {
  *complete = false;
  if (!file_.IsOpen()) return {};
  const int32_t samples = FinalSamples(rs);
  Append(rs, samples);
  sync_.Drain();
  int error = sync_.TakeError();
  while (::fdatasync(file_.Fd()) != 0) {
    if (errno == EINTR) continue;
    error = errno;
    break;
  }
  if (error != 0) {
    pushFailed_ = true;
    Failed(error);
  }
  // A failed write was written again at the next tick; a failed push may have lost pages for good.
  *complete = headerOnDisk_ && written_ == samples && !pushFailed_;
  JournalFile sealed = std::move(file_);
  headerOnDisk_ = false;
  written_ = 0;
  unsynced_ = false;
  return sealed;
}

bool RecordingJournal::WriteHeader() {
  int error = 0;
  // The previous measurement's records go first, so the file never holds them under this header.
  if (!file_.Truncate(0, &error) ||
      !file_.WriteAt(0, header_.constData(), static_cast<size_t>(header_.size()), &error)) {
    Failed(error);
    return false;
  }
  headerOnDisk_ = true;
  pushFailed_ = false;
  written_ = 0;
  unsynced_ = true;
  return true;
}

void RecordingJournal::Follow(const RecordSet& rs, int32_t complete) {
  if (active_) Take(rs, std::clamp<int32_t>(complete, 0, RecordSet::MaxData), false);
}

void RecordingJournal::End(const RecordSet& rs) {
  if (!active_) return;
  active_ = false;
  Take(rs, FinalSamples(rs), true);
}

void RecordingJournal::Take(const RecordSet& rs, int32_t upTo, bool final) {
  if (!file_.IsOpen()) return;
  Append(rs, upTo);
  if (const int error = sync_.TakeError()) {
    pushFailed_ = true;
    Failed(error);
  }
  if (unsynced_ && (final || clock() - lastSync_ >= kSyncSpacingMs)) RequestSync();
}

void RecordingJournal::Append(const RecordSet& rs, int32_t upTo) {
  if (!headerOnDisk_ && !WriteHeader()) return;
  const qint64 headerSize = header_.size();
  int error = 0;
  if (upTo < written_) {
    // The record set went back (it was replaced): the journal follows it.
    if (!file_.Truncate(headerSize + qint64{upTo} * kRecordBytes, &error)) {
      Failed(error);
      return;
    }
    written_ = upTo;
    unsynced_ = true;
    return;
  }
  if (upTo == written_) return;
  records_.resize(0);  // keeps its capacity
  for (int32_t k = written_ + 1; k <= upTo; ++k) AppendDataRecord(records_, rs, k);
  // Written at its place rather than appended: after a failed or partial write the next attempt
  // rewrites the same bytes, and the file never holds a record out of place.
  if (!file_.WriteAt(headerSize + qint64{written_} * kRecordBytes, records_.constData(),
                     static_cast<size_t>(records_.size()), &error)) {
    Failed(error);
    return;
  }
  written_ = upTo;
  unsynced_ = true;
}

void RecordingJournal::RequestSync() {
  sync_.Request(file_.Fd());
  ++syncRequests_;
  lastSync_ = clock();
  unsynced_ = false;
}

void RecordingJournal::Adopt(JournalFile file) {
  sync_.Drain();
  file_.Remove();
  file_ = std::move(file);
  active_ = false;
  headerOnDisk_ = false;
  written_ = 0;
}

void RecordingJournal::Failed(int error) {
  if (warned_) return;
  warned_ = true;
  const QString where = file_.IsOpen() ? file_.Path() : folder_;
  if (onWriteFailure) onWriteFailure(JournalFailureText(where, error));
}
