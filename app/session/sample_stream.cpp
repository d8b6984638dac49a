#include "session/sample_stream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/module_data.h"
#include "files/analysis_csv.h"

namespace {

// The samples every used unit has reached.
int32_t CompleteSamples(const ModuleData& md) {
  int32_t n = md.SampleCount;
  for (const UnitRecord& unit : md.Units) {
    if (unit.MflagID) n = std::min(n, unit.DataCount);
  }
  return n;
}

}  // namespace

SampleStream::SampleStream(MeasurementSession& session, const ModuleData& md, int fd,
                           QObject* parent)
    : QObject(parent), session_(session), md_(md), fd_(fd) {
  connect(&session, &MeasurementSession::started, this, [this] { Begin(); });
  connect(&session, &MeasurementSession::samplesStored, this,
          [this] { WriteRows(CompleteSamples(md_)); });
  connect(&session, &MeasurementSession::recordSetFull, this,
          [this] { WriteRows(md_.SampleCount); });
  connect(&session, &MeasurementSession::recordSetRenewed, this, [this] {
    written_ = 0;
    if (writer_) writer_->BeginRecordSet(session_.FileStartMs(session_.FileNumber()));
  });
  connect(&session, &MeasurementSession::stopped, this, [this] { WriteRows(md_.SampleCount); });
}

SampleStream::~SampleStream() = default;

void SampleStream::Begin() {
  AnalysisTable table;
  if (!AnalysisTableOf(md_, table, nullptr)) return;
  // The rows' times count from the start instant to the millisecond, not its whole second.
  table.originMs = session_.RunStartMs();
  writer_ = std::make_unique<AnalysisCsvWriter>(table);
  written_ = 0;
  out_.clear();
  writer_->AppendPreamble(out_);
  writer_->AppendHeaderRow(out_);
  Send();
}

void SampleStream::WriteRows(int32_t upTo) {
  if (!writer_ || closed_) return;
  upTo = std::clamp<int32_t>(upTo, 0, ModuleData::MaxData);
  if (upTo <= written_) return;
  out_.clear();
  writer_->AppendRows(out_, md_, written_, upTo);
  written_ = upTo;
  Send();
}

void SampleStream::Send() {
  const char* p = out_.data();
  size_t left = out_.size();
  while (left > 0 && !closed_) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      // EPIPE when the reader has gone (SIGPIPE is ignored while streaming).
      closed_ = true;
      emit closed();
      return;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}
