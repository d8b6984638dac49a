// `korvale --record --stream`: every sample the session stores also goes to a file descriptor
// (standard output) as a row of the analysis CSV, the preamble and the header row first. One table
// spans the whole run, across its record sets; a row is written once every used unit has its
// sample (the rest at the stop, as in the files), and the rows of a tick or poll are written at
// once, so that a reader follows the measurement live.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "session/measurement_session.h"

class AnalysisCsvWriter;
class ModuleData;

class SampleStream : public QObject {
  Q_OBJECT

 public:
  // Follows session, whose record set is md, writing to fd.
  SampleStream(MeasurementSession& session, const ModuleData& md, int fd,
               QObject* parent = nullptr);
  ~SampleStream() override;

 signals:
  // The reader has gone (a closed pipe) or the output cannot be written: nothing more is written.
  void closed();

 private:
  void Begin();
  // Writes the rows of the record set up to sample upTo that are not written yet.
  void WriteRows(int32_t upTo);
  void Send();

  const MeasurementSession& session_;
  const ModuleData& md_;
  int fd_;
  std::unique_ptr<AnalysisCsvWriter> writer_;
  int32_t written_ = 0;  // rows of the current record set written
  bool closed_ = false;
  std::string out_;  // reused for each write
};
