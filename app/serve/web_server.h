// The web view of a run: the page, its JSON answers, the event stream, /metrics and /api/samples
// over the HTTP server (http_server.h), from a RunView it keeps up to date. A follower of the
// measurement calls Begin, Rows, Mark, Alarm, FileChanged and End as the run goes; each updates
// the view and pushes the event to the open streams. Everything is read-only except a mark
// (POST /mark), and only when a mark handler is set.
//
// With a token, every request must carry it (an "Authorization: Bearer" header) or a session
// cookie that the one-time link "/?token=..." sets; otherwise 401.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

#include "serve/access_token.h"
#include "serve/http_server.h"
#include "serve/run_view.h"

class WebServer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kKeepaliveMs = 15000;
  static constexpr int kMaxMarkText = 200;

  explicit WebServer(QObject* parent = nullptr);

  // Listens on address:port with token (empty: none); false with the reason (Japanese).
  bool Start(const QHostAddress& address, quint16 port, const QByteArray& token, QString* error);
  quint16 Port() const { return http_.Port(); }

  // Makes a mark with the text (empty: the default text) and gives it; none when no measurement
  // takes it.
  using MarkHandler = std::function<std::optional<RunMark>(const QString& text)>;
  void SetMarkHandler(MarkHandler handler) { markHandler_ = std::move(handler); }

  void Begin(const RunBegin& run);
  void Rows(const std::vector<RunSample>& rows);
  void Mark(const RunMark& mark);
  void Alarm(const RunAlarm& alarm);
  void FileChanged(int32_t fileNumber);
  void End();
  void SetDestinations(std::vector<PublishDestinationStatus> destinations) {
    view_.SetDestinations(std::move(destinations));
  }

  const RunView& View() const { return view_; }
  const HttpServer& Http() const { return http_; }

 private:
  HttpResponse Handle(const HttpRequest& request);
  HttpResponse Route(const HttpRequest& request);
  // Whether request carries the token or a session cookie; a server without a token takes all.
  bool Authorized(const HttpRequest& request) const;
  HttpResponse OneTimeLink(const QByteArray& token);
  HttpResponse Samples(const HttpRequest& request);
  HttpResponse View(const HttpRequest& request);
  HttpResponse PostMark(const HttpRequest& request);
  void Push(const char* event, const std::string& data, int64_t id = -1);

  RunView view_;
  HttpServer http_;
  QByteArray token_;
  SessionCookies sessions_;
  MarkHandler markHandler_;
  QTimer keepalive_;
};
