#include "measure/window_publish.h"

#include <QLabel>

#include "core/publish_settings.h"
#include "core/publish_url.h"
#include "journal/recording_journal.h"
#include "measure/main_controls.h"
#include "publish/publisher.h"
#include "session/measurement_session.h"
#include "session/run_feed.h"

namespace {

// How long the window's end waits for the destinations to take what waits.
constexpr int kFinishMs = 1000;

}  // namespace

WindowPublish::WindowPublish(MeasurementSession& session, const ModuleData& md,
                             AlarmMonitor& monitor, MainControls& ui)
    : ui_(ui) {
  // Before the feed's own follower of the start, which hands the run's columns on.
  connect(&session, &MeasurementSession::started, this, [this] { TakeDestinations(); });
  feed_ = std::make_unique<RunFeed>(session, md, &monitor);
  connect(feed_.get(), &RunFeed::begun, this, [this](const RunBegin& run) {
    if (publisher_) publisher_->Begin(run);
  });
  connect(feed_.get(), &RunFeed::rows, this, [this](const std::vector<RunSample>& rows) {
    if (publisher_) publisher_->Rows(rows);
  });
  connect(feed_.get(), &RunFeed::marked, this, [this](const RunMark& mark) {
    if (publisher_) publisher_->Mark(mark);
  });
  connect(feed_.get(), &RunFeed::alarmed, this, [this](const RunAlarm& alarm) {
    if (publisher_) publisher_->Alarm(alarm);
  });
}

WindowPublish::~WindowPublish() {
  if (publisher_) publisher_->Finish(kFinishMs);
}

void WindowPublish::Tell(const QString& text) {
  if (!ui_.lblPublish) return;
  ui_.lblPublish->setText(text);
  ui_.lblPublish->setToolTip(text);
  ui_.lblPublish->setVisible(!text.isEmpty());
}

void WindowPublish::TakeDestinations() {
  const QStringList texts = LoadPublishUrls();
  if (publisher_ && texts == urls_) return;
  if (publisher_) publisher_->Finish(0);
  publisher_.reset();
  urls_ = texts;
  std::vector<PublishUrl> urls;
  for (const QString& text : texts) {
    PublishUrl url = ParsePublishUrl(text);
    if (!url.ok) {
      Tell(url.reason);
      continue;
    }
    urls.push_back(std::move(url));
  }
  if (urls.empty()) return;
  auto publisher =
      std::make_unique<Publisher>(std::move(urls), JournalFolder() + QStringLiteral("/publish"));
  connect(publisher.get(), &Publisher::message, this, [this](const QString& text) { Tell(text); });
  QString error;
  if (!publisher->Open(&error)) {
    Tell(error);
    return;
  }
  publisher_ = std::move(publisher);
}
