#include "measure/window_serve.h"

#include <QHostAddress>

#include "core/dialog_service.h"
#include "serve/access_token.h"
#include "serve/web_server.h"
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
  server_.reset();
  if (settings_.Port <= 0) return;
  QByteArray token;
  QString problem = Problem(token);
  auto server = std::make_unique<WebServer>();
  if (problem.isEmpty()) {
    server->Start(QHostAddress(ListenAddress(settings_)), static_cast<quint16>(settings_.Port),
                  token, &problem);
  }
  if (!problem.isEmpty()) {
    dialogs_.Error(QStringLiteral("測定をウェブで公開できません。%1").arg(problem));
    return;
  }
  WebServer* s = server.get();
  QObject::connect(feed_.get(), &RunFeed::begun, s, &WebServer::Begin);
  QObject::connect(feed_.get(), &RunFeed::rows, s, &WebServer::Rows);
  QObject::connect(feed_.get(), &RunFeed::marked, s, &WebServer::Mark);
  QObject::connect(feed_.get(), &RunFeed::alarmed, s, &WebServer::Alarm);
  QObject::connect(feed_.get(), &RunFeed::fileChanged, s, &WebServer::FileChanged);
  QObject::connect(feed_.get(), &RunFeed::ended, s, &WebServer::End);
  s->SetMarkHandler([this](const QString& text) { return session_.AddMark(text).has_value(); });
  server_ = std::move(server);
}
