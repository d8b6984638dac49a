// The publishing of `korvale --record` (--publish URL and the settings' [Publish] section): the
// run's rows, marks and alarm events handed to a Publisher (publish/), its queues beside the
// journal, its messages on standard error.
#pragma once

#include <QStringList>
#include <memory>
#include <vector>

#include "core/publish_url.h"

class AlarmMonitor;
class MeasurementSession;
class ModuleData;
class Publisher;
class RunFeed;
class StderrDialogs;

class RecordPublish {
 public:
  // The destinations of texts, each once; false, with a line per refused URL, when one cannot be
  // used.
  static bool ParseUrls(const QStringList& texts, std::vector<PublishUrl>& urls,
                        StderrDialogs& out);

  // The URLs of the settings' [Publish] section: those of settingsFile, or of the per-user store.
  static QStringList SettingsUrls(const QString& settingsFile);

  RecordPublish(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor,
                std::vector<PublishUrl> urls, StderrDialogs& out);
  ~RecordPublish();

  // Opens the queues and starts sending; false, said, when a queue cannot be used.
  bool Open();
  // At the end of the run: gives what waits a moment to go out.
  void Finish();
  // The destinations' statuses come from it (the web view's metrics).
  const Publisher& Current() const { return *publisher_; }

 private:
  std::unique_ptr<RunFeed> feed_;
  std::unique_ptr<Publisher> publisher_;
  StderrDialogs& out_;
};
