#include "serve/serve_thread.h"

#include <QSemaphore>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "serve/web_server.h"

namespace {

constexpr int kMarkWaitMs = 2000;

// A mark asked for on the server's thread and made on the owner's.
struct MarkJob {
  QString text;
  std::optional<RunMark> mark;
  QSemaphore done;
};

}  // namespace

ServeThread::ServeThread() {
  thread_.setObjectName(QStringLiteral("korvale-serve"));
  thread_.start();
}

ServeThread::~ServeThread() {
  if (server_) {
    WebServer* server = server_;
    QMetaObject::invokeMethod(
        server, [server] { delete server; }, Qt::BlockingQueuedConnection);
  }
  thread_.quit();
  thread_.wait();
}

bool ServeThread::Start(const QHostAddress& address, quint16 port, const QByteArray& token,
                        MarkHandler markHandler, QString* error) {
  auto server = std::make_unique<WebServer>();
  server->moveToThread(&thread_);
  WebServer* s = server.get();
  if (markHandler) {
    s->SetMarkHandler([this, markHandler](const QString& text) -> std::optional<RunMark> {
      auto job = std::make_shared<MarkJob>();
      job->text = text;
      QMetaObject::invokeMethod(
          &owner_,
          [job, markHandler] {
            job->mark = markHandler(job->text);
            job->done.release();
          },
          Qt::QueuedConnection);
      if (!job->done.tryAcquire(1, kMarkWaitMs)) return std::nullopt;
      return job->mark;
    });
  }
  bool listening = false;
  QString reason;
  QMetaObject::invokeMethod(
      s, [&] { listening = s->Start(address, port, token, &reason); },
      Qt::BlockingQueuedConnection);
  if (!listening) {
    QMetaObject::invokeMethod(
        s, [s] { delete s; }, Qt::BlockingQueuedConnection);
    server.release();
    if (error) *error = reason;
    return false;
  }
  QMetaObject::invokeMethod(
      s, [&] { port_ = s->Port(); }, Qt::BlockingQueuedConnection);
  server_ = server.release();
  return true;
}

void ServeThread::Post(std::function<void(WebServer&)> f) {
  if (!server_) return;
  WebServer* server = server_;
  QMetaObject::invokeMethod(
      server, [server, f = std::move(f)] { f(*server); }, Qt::QueuedConnection);
}

void ServeThread::Begin(const RunBegin& run) {
  Post([run](WebServer& s) { s.Begin(run); });
}
void ServeThread::Rows(const std::vector<RunSample>& rows) {
  Post([rows](WebServer& s) { s.Rows(rows); });
}
void ServeThread::Mark(const RunMark& mark) {
  Post([mark](WebServer& s) { s.Mark(mark); });
}
void ServeThread::Alarm(const RunAlarm& alarm) {
  Post([alarm](WebServer& s) { s.Alarm(alarm); });
}
void ServeThread::FileChanged(int32_t fileNumber) {
  Post([fileNumber](WebServer& s) { s.FileChanged(fileNumber); });
}
void ServeThread::End() {
  Post([](WebServer& s) { s.End(); });
}
void ServeThread::SetDestinations(const std::vector<PublishDestinationStatus>& destinations) {
  Post([destinations](WebServer& s) { s.SetDestinations(destinations); });
}

void ServeThread::FollowDestinations(
    std::function<std::vector<PublishDestinationStatus>()> source) {
  auto* timer = new QTimer(&owner_);
  const auto look = [this, source] {
    std::vector<PublishDestinationStatus> now = source();
    const bool same = std::equal(
        now.begin(), now.end(), destinations_.begin(), destinations_.end(),
        [](const PublishDestinationStatus& a, const PublishDestinationStatus& b) {
          return a.name == b.name && a.connected == b.connected && a.waiting == b.waiting;
        });
    if (same) return;
    destinations_ = std::move(now);
    SetDestinations(destinations_);
  };
  QObject::connect(timer, &QTimer::timeout, &owner_, look);
  timer->start(1000);
  look();
}
