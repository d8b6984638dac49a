#include "headless/record_serve.h"

#include <QDir>
#include <QSettings>

#include "core/serve_settings.h"
#include "headless/record_command.h"
#include "headless/stderr_dialogs.h"
#include "serve/access_token.h"
#include "serve/serve_thread.h"
#include "session/measurement_session.h"
#include "session/run_feed.h"

namespace {

// The [Serve] section of the recording's settings: the file given, or the per-user store.
bool ReadServeSettings(const QString& file, ServeSettings& settings, StderrDialogs& out) {
  QString problem;
  if (file.isEmpty()) {
    problem = LoadServeSettings(settings);
  } else {
    QSettings store(file, QSettings::IniFormat);
    problem = LoadServeSettings(store, settings);
  }
  if (problem.isEmpty()) return true;
  out.Say(problem);
  return false;
}

// The token: the file of --token-file, the environment, or the settings' file; false when a
// file is named but cannot give one.
bool ReadToken(const QString& optionFile, const QString& settingsFile, QByteArray& token,
               StderrDialogs& out) {
  QString file = optionFile;
  if (file.isEmpty()) {
    token = qgetenv("KORVALE_SERVE_TOKEN").trimmed();
    if (!token.isEmpty()) return true;
    file = settingsFile;
  }
  if (file.isEmpty()) return true;
  QString error;
  if (ReadTokenFile(file, token, &error)) return true;
  out.Say(error);
  return false;
}

}  // namespace

bool PlanServe(const RecordOptions& options, ServePlan& plan, StderrDialogs& out) {
  ServeSettings settings;
  if (!ReadServeSettings(options.settingsFile, settings, out)) return false;
  QString address = settings.Address.isEmpty() ? DefaultServeAddress() : settings.Address;
  int port = settings.Port;
  if (!options.serve.isEmpty() && !ParseServeEndpoint(options.serve, address, port)) {
    out.Say(QStringLiteral("--serve「%1」は [アドレス:]ポート（ポートは 1 から 65535）で"
                           "指定してください。")
                .arg(options.serve));
    return false;
  }
  plan.on = port > 0;
  if (!plan.on) return true;
  if (address == QLatin1String("localhost")) address = DefaultServeAddress();
  plan.address = QHostAddress(address);
  plan.port = static_cast<quint16>(port);
  if (plan.address.isNull()) {
    out.Say(
        QStringLiteral("待ち受けるアドレス「%1」は IP アドレスで指定してください。").arg(address));
    return false;
  }
  if (!ReadToken(options.tokenFile, settings.TokenFile, plan.token, out)) return false;
  if (!plan.address.isLoopback() && plan.token.isEmpty()) {
    out.Say(QStringLiteral("%1 で待ち受けるにはトークンが必要です。--token-file か環境変数 "
                           "KORVALE_SERVE_TOKEN でトークンを渡してください（ループバックの "
                           "127.0.0.1 ならトークンなしで待ち受けます）。")
                .arg(address));
    return false;
  }
  return true;
}

RecordServe::RecordServe(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor)
    : session_(session), feed_(std::make_unique<RunFeed>(session, md, &monitor)) {}

RecordServe::~RecordServe() = default;

bool RecordServe::Start(const ServePlan& plan, StderrDialogs& out) {
  if (!plan.on) return true;
  // The session's mark comes back through the feed before AddMark returns.
  QObject::connect(feed_.get(), &RunFeed::marked, [this](const RunMark& m) { lastMark_ = m; });
  auto markHandler = [this](const QString& text) -> std::optional<RunMark> {
    lastMark_.reset();
    if (!session_.AddMark(text)) return std::nullopt;
    return lastMark_;
  };
  server_ = std::make_unique<ServeThread>();
  QString error;
  if (!server_->Start(plan.address, plan.port, plan.token, markHandler, &error)) {
    out.Say(error);
    server_.reset();
    return false;
  }
  ServeThread* server = server_.get();
  RunFeed* feed = feed_.get();
  QObject::connect(feed, &RunFeed::begun, [server](const RunBegin& r) { server->Begin(r); });
  QObject::connect(feed, &RunFeed::rows,
                   [server](const std::vector<RunSample>& r) { server->Rows(r); });
  QObject::connect(feed, &RunFeed::marked, [server](const RunMark& m) { server->Mark(m); });
  QObject::connect(feed, &RunFeed::alarmed, [server](const RunAlarm& a) { server->Alarm(a); });
  QObject::connect(feed, &RunFeed::fileChanged, [server](int32_t n) { server->FileChanged(n); });
  QObject::connect(feed, &RunFeed::ended, [server] { server->End(); });
  const QString shown = plan.address.protocol() == QAbstractSocket::IPv6Protocol
                            ? QStringLiteral("[%1]").arg(plan.address.toString())
                            : plan.address.toString();
  out.Say(QStringLiteral("http://%1:%2/ で測定を公開しています%3。")
              .arg(shown)
              .arg(server->Port())
              .arg(plan.token.isEmpty() ? QString() : QStringLiteral("（トークンが必要です）")));
  return true;
}

void RecordServe::FollowDestinations(
    std::function<std::vector<PublishDestinationStatus>()> source) {
  if (server_) server_->FollowDestinations(std::move(source));
}
