// `korvale --record --stream`: every sample the session stores also goes to a file descriptor
// (standard output) as a row of the analysis CSV, the preamble and the header row first. One table
// spans the whole run, across its record sets; a row is written once every used unit has its
// sample (the rest at the stop, as in the files), and the rows of a tick or poll are written at
// once, so that a reader follows the measurement live.
//
// The rows go out through a bounded buffer (files/queued_output.h), so that a reader that stops
// reading never holds up the sampling. Rows that do not fit are dropped (the files hold them): the
// sample numbers of the table jump there, and one message says how many rows from which sample and
// time were dropped, once the reader takes rows again or at the end. Sized so that a reader pausing
// for minutes at four units every 10 ms loses nothing.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "session/measurement_session.h"

class AnalysisCsvWriter;
class ModuleData;
class QueuedOutput;

class SampleStream : public QObject {
  Q_OBJECT

 public:
  static constexpr size_t kBufferBytes = size_t{8} << 20;

  // Follows session, whose record set is md, writing to fd through a buffer of bufferBytes.
  SampleStream(MeasurementSession& session, const ModuleData& md, int fd,
               size_t bufferBytes = kBufferBytes, QObject* parent = nullptr);
  ~SampleStream() override;

  // Gives what waits up to timeoutMs to go out and ends the output; tells the rows dropped.
  void Finish(int timeoutMs);
  // The reader went, or the output failed, before the preamble and the header row were out: the
  // stream could not be written at all.
  bool FailedAtStart() const { return failedAtStart_; }
  // The errno that ended the output, 0 while it is open.
  int Failure() const;

 signals:
  // The reader has gone (a closed pipe) or the output cannot be written: nothing more is written.
  void closed();
  // The operator's message (Japanese): rows that the reader did not take.
  void message(const QString& text);

 private:
  void Begin();
  // Writes the rows of the record set up to sample upTo that are not written yet.
  void WriteRows(int32_t upTo);
  // Offers out_, which holds rows rows numbered from firstRow (or the preamble when rows is 0).
  void Send(int64_t firstRow, int32_t rows);
  // True when the output has ended; announces it the first time.
  bool CheckClosed();
  void TellDropped();

  const MeasurementSession& session_;
  const ModuleData& md_;
  std::unique_ptr<QueuedOutput> output_;
  std::unique_ptr<AnalysisCsvWriter> writer_;
  int32_t written_ = 0;  // rows of the current record set written
  bool closed_ = false;
  bool failedAtStart_ = false;
  uint64_t startBytes_ = 0;  // the preamble and the header row
  // The rows dropped since the reader last took one: how many, and the first one's number and time.
  int64_t droppedRows_ = 0;
  int64_t firstDroppedRow_ = 0;
  QString firstDroppedTime_;
  std::string out_;  // reused for each write
};
