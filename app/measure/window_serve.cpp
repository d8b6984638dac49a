#include "measure/window_serve.h"

#include <QHostAddress>

#include "core/dialog_service.h"
#include "serve/access_token.h"
#include "serve/serve_thread.h"
#include "session/measurement_session.h"
#include "session/run_feed.h"

WindowServe::WindowServe(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor,
                         DialogService& dialogs)
    : session_(session),
      dialogs_(dialogs),
      feed_(std::make_unique<RunFeed>(session, md, &monitor)) {
  const QString problem = LoadServeSettings(settings_);
  if (!problem.isEmpty()) dialogs_.Error(problem);
  Apply();
}

WindowServe::~WindowServe() = default;

quint16 WindowServe::Port() const {
  return server_ ? server_->Port() : 0;
}

namespace {

// The address of the settings as a listener takes it: none is 127.0.0.1, and so is localhost.
QString ListenAddress(const ServeSettings& settings) {
  const QString address = settings.Address;
  return address.isEmpty() || address == QLatin1String("localhost") ? DefaultServeAddress()
                                                                    : address;
}

}  // namespace

QString WindowServe::Problem(QByteArray& token) const {
  const QString address = ListenAddress(settings_);
  const QHostAddress host(address);
  if (host.isNull()) {
    return QStringLiteral("ウェブ公開のアドレス「%1」は IP アドレスで指定してください。")
        .arg(address);
  }
  token = qgetenv("KORVALE_SERVE_TOKEN").trimmed();
  QString error;
  if (token.isEmpty() && !settings_.TokenFile.isEmpty() &&
      !ReadTokenFile(settings_.TokenFile, token, &error)) {
    return error;
  }
  if (!host.isLoopback() && token.isEmpty()) {
    return QStringLiteral(
               "%1 で公開するにはトークンが必要です（[Serve] の TokenFile か環境変数 "
               "KORVALE_SERVE_TOKEN）。")
        .arg(address);
  }
  return {};
}

void WindowServe::Apply() {
  if (feed_) feed_->disconnect();
  server_.reset();
  if (settings_.Port <= 0) return;
  QByteArray token;
  QString problem = Problem(token);
  auto markHandler = [this](const QString& text) -> std::optional<RunMark> {
    lastMark_.reset();
    if (!session_.AddMark(text)) return std::nullopt;
    return lastMark_;
  };
  auto server = std::make_unique<ServeThread>();
  if (problem.isEmpty()) {
    server->Start(QHostAddress(ListenAddress(settings_)), static_cast<quint16>(settings_.Port),
                  token, markHandler, &problem);
  }
  if (!problem.isEmpty()) {
    dialogs_.Error(QStringLiteral("測定をウェブで公開できません。%1").arg(problem));
    return;
  }
  ServeThread* s = server.get();
  RunFeed* feed = feed_.get();
  // The session's mark comes back through the feed before AddMark returns.
  QObject::connect(feed, &RunFeed::marked, [this](const RunMark& m) { lastMark_ = m; });
  QObject::connect(feed, &RunFeed::begun, [s](const RunBegin& r) { s->Begin(r); });
  QObject::connect(feed, &RunFeed::rows, [s](const std::vector<RunSample>& r) { s->Rows(r); });
  QObject::connect(feed, &RunFeed::marked, [s](const RunMark& m) { s->Mark(m); });
  QObject::connect(feed, &RunFeed::alarmed, [s](const RunAlarm& a) { s->Alarm(a); });
  QObject::connect(feed, &RunFeed::fileChanged, [s](int32_t n) { s->FileChanged(n); });
  QObject::connect(feed, &RunFeed::ended, [s] { s->End(); });
  if (destinations_) s->FollowDestinations(destinations_);
  server_ = std::move(server);
}

void WindowServe::FollowDestinations(
    std::function<std::vector<PublishDestinationStatus>()> source) {
  destinations_ = std::move(source);
  if (server_) server_->FollowDestinations(destinations_);
}
