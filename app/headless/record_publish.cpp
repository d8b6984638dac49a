#include "headless/record_publish.h"

#include <QCoreApplication>
#include <QSettings>

#include "core/publish_settings.h"
#include "headless/stderr_dialogs.h"
#include "journal/recording_journal.h"
#include "publish/publisher.h"
#include "session/run_feed.h"

namespace {

// How long the end of a run waits for the destinations to take what waits.
constexpr int kFinishMs = 3000;

}  // namespace

QStringList RecordPublish::SettingsUrls(const QString& settingsFile) {
  if (settingsFile.isEmpty()) return LoadPublishUrls();
  QSettings store(settingsFile, QSettings::IniFormat);
  return LoadPublishUrls(store);
}

bool RecordPublish::ParseUrls(const QStringList& texts, std::vector<PublishUrl>& urls,
                              StderrDialogs& out) {
  bool ok = true;
  QStringList names;
  for (const QString& text : texts) {
    PublishUrl url = ParsePublishUrl(text);
    if (!url.ok) {
      out.Say(url.reason);
      ok = false;
      continue;
    }
    if (names.contains(url.Name())) continue;
    names << url.Name();
    urls.push_back(std::move(url));
  }
  return ok;
}

RecordPublish::RecordPublish(MeasurementSession& session, const ModuleData& md,
                             AlarmMonitor& monitor, std::vector<PublishUrl> urls,
                             StderrDialogs& out)
    : feed_(std::make_unique<RunFeed>(session, md, &monitor)),
      publisher_(std::make_unique<Publisher>(std::move(urls),
                                             JournalFolder() + QStringLiteral("/publish"))),
      out_(out) {
  Publisher* publisher = publisher_.get();
  QObject::connect(feed_.get(), &RunFeed::begun, publisher, &Publisher::Begin);
  QObject::connect(feed_.get(), &RunFeed::rows, publisher, &Publisher::Rows);
  QObject::connect(feed_.get(), &RunFeed::marked, publisher, &Publisher::Mark);
  QObject::connect(feed_.get(), &RunFeed::alarmed, publisher, &Publisher::Alarm);
  QObject::connect(publisher, &Publisher::message, publisher,
                   [&out](const QString& text) { out.Say(text); });
}

RecordPublish::~RecordPublish() = default;

bool RecordPublish::Open() {
  QString error;
  if (publisher_->Open(&error)) return true;
  out_.Say(error);
  return false;
}

void RecordPublish::Finish() {
  publisher_->Finish(kFinishMs);
  // The destinations' last messages (one that caught up at the end) reach standard error.
  QCoreApplication::processEvents();
}
