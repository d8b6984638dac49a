#include "session/sample_stream.h"

#include <algorithm>
#include <cerrno>

#include "core/module_data.h"
#include "files/analysis_csv.h"
#include "files/queued_output.h"

namespace {}  // namespace

SampleStream::SampleStream(MeasurementSession& session, const ModuleData& md, int fd,
                           size_t bufferBytes, QObject* parent)
    : QObject(parent),
      session_(session),
      md_(md),
      output_(std::make_unique<QueuedOutput>(fd, bufferBytes)) {
  connect(&session, &MeasurementSession::started, this, [this] { Begin(); });
  connect(&session, &MeasurementSession::samplesStored, this,
          [this](const RecordSet& set, const StoredSamples& samples) {
            WriteRows(samples.CompleteIn(set));
          });
  connect(&session, &MeasurementSession::recordSetFull, this,
          [this] { WriteRows(md_.Record.SampleCount); });
  connect(&session, &MeasurementSession::recordSetRenewed, this, [this] {
    written_ = 0;
    if (writer_) writer_->BeginRecordSet(session_.FileStartMs(session_.FileNumber()));
  });
  connect(&session, &MeasurementSession::stopped, this,
          [this] { WriteRows(md_.Record.SampleCount); });
}

SampleStream::~SampleStream() = default;

void SampleStream::Begin() {
  AnalysisTable table;
  if (!AnalysisTableOf(md_.Record, table, nullptr)) return;
  // The rows' times count from the start instant to the millisecond, not its whole second.
  table.originMs = session_.RunStartMs();
  writer_ = std::make_unique<AnalysisCsvWriter>(table);
  written_ = 0;
  out_.clear();
  writer_->AppendPreamble(out_);
  writer_->AppendHeaderRow(out_);
  startBytes_ = output_->Written() + out_.size();
  Send(0, 0);
}

void SampleStream::WriteRows(int32_t upTo) {
  if (!writer_ || CheckClosed()) return;
  upTo = std::clamp<int32_t>(upTo, 0, RecordSet::MaxData);
  if (upTo <= written_) return;
  out_.clear();
  const int64_t firstRow = writer_->RowCount();
  writer_->AppendRows(out_, md_.Record, written_, upTo);
  const int32_t rows = upTo - written_;
  written_ = upTo;
  Send(firstRow, rows);
}

void SampleStream::Send(int64_t firstRow, int32_t rows) {
  if (output_->Offer(out_)) {
    if (droppedRows_ > 0) TellDropped();
    return;
  }
  if (CheckClosed() || rows == 0) return;
  // Rows are formatted even when dropped, so that the numbers and times go on from the right place.
  if (droppedRows_ == 0) {
    firstDroppedRow_ = firstRow;
    firstDroppedTime_ = QString::fromStdString(out_.substr(0, out_.find(',')));
  }
  droppedRows_ += rows;
}

int SampleStream::Failure() const {
  return output_->Failure();
}

bool SampleStream::CheckClosed() {
  if (closed_) return true;
  if (!output_ || output_->Failure() == 0) return false;
  closed_ = true;
  failedAtStart_ = output_->Written() < startBytes_;
  emit closed();
  return true;
}

void SampleStream::TellDropped() {
  emit message(
      QStringLiteral("標準出力の読み手が追いつかないため、サンプル %1（%2）から %3 行を出力し"
                     "ませんでした（ファイルには記録されています）。")
          .arg(firstDroppedRow_)
          .arg(firstDroppedTime_)
          .arg(droppedRows_));
  droppedRows_ = 0;
}

void SampleStream::Finish(int timeoutMs) {
  const bool all = output_->Finish(timeoutMs);
  if (droppedRows_ > 0) TellDropped();
  if (!all && output_->Failure() == 0) {
    emit message(
        QStringLiteral("標準出力の読み手が読まないため、最後の行の一部を出力しないまま終了し"
                       "ます（ファイルには記録されています）。"));
  }
}
