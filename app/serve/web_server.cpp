#include "serve/web_server.h"

#include <QFile>
#include <algorithm>

#include "files/analysis_rows.h"
#include "serve/metrics_text.h"
#include "serve/view_json.h"

namespace {

constexpr const char* kJson = "application/json";
// Rows of /api/samples made at a time, as the client takes them.
constexpr int64_t kSampleRowsPerPiece = 4096;

HttpResponse Text(int status, const QString& text) {
  HttpResponse response;
  response.status = status;
  const QByteArray bytes = text.toUtf8();
  response.body.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  return response;
}

HttpResponse Json(std::string body) {
  HttpResponse response;
  response.contentType = kJson;
  response.body = std::move(body);
  return response;
}

// A file of the page, compiled into the program.
HttpResponse PageFile(const char* name, const char* type) {
  QFile file(QStringLiteral(":/web/") + QLatin1String(name));
  if (!file.open(QIODevice::ReadOnly)) return Text(404, QStringLiteral("ページがありません。\n"));
  const QByteArray bytes = file.readAll();
  HttpResponse response;
  response.contentType = type;
  response.body.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  return response;
}

// A whole number from a query value; false for anything else.
bool ReadInt(const QByteArray& text, int64_t& value) {
  bool ok = false;
  value = text.toLongLong(&ok);
  return ok;
}

// The value of cookie name in a Cookie header; empty when none.
QByteArray CookieValue(const QByteArray& header, const char* name) {
  for (const QByteArray& part : header.split(';')) {
    const QByteArray pair = part.trimmed();
    const int eq = pair.indexOf('=');
    if (eq > 0 && pair.left(eq) == name) return pair.mid(eq + 1);
  }
  return {};
}

}  // namespace

WebServer::WebServer(QObject* parent)
    // Both as children, so that a move to another thread takes them along.
    : QObject(parent),
      http_([this](const HttpRequest& r) { return Handle(r); }, this),
      keepalive_(this) {
  Q_INIT_RESOURCE(korvale_web);
  keepalive_.setInterval(kKeepaliveMs);
  connect(&keepalive_, &QTimer::timeout, this, [this] { http_.Broadcast(": keepalive\n\n"); });
}

bool WebServer::Start(const QHostAddress& address, quint16 port, const QByteArray& token,
                      QString* error) {
  token_ = token;
  if (!http_.Listen(address, port, error)) return false;
  keepalive_.start();
  return true;
}

void WebServer::Begin(const RunBegin& run) {
  view_.Begin(run);
  Push("state", StateJson(view_, bool(markHandler_)));
}

void WebServer::Rows(const std::vector<RunSample>& rows) {
  if (rows.empty()) return;
  view_.AddRows(rows);
  Push("rows", RowsJson(view_, rows), rows.back().sample);
}

void WebServer::Mark(const RunMark& mark) {
  view_.AddMark(mark);
  Push("mark", MarkJson(mark));
}

void WebServer::Alarm(const RunAlarm& alarm) {
  view_.SetAlarm(alarm);
  Push("alarm", AlarmJson(alarm));
}

void WebServer::FileChanged(int32_t fileNumber) {
  view_.SetFileNumber(fileNumber);
  Push("state", StateJson(view_, bool(markHandler_)));
}

void WebServer::End() {
  view_.End();
  Push("state", StateJson(view_, bool(markHandler_)));
}

void WebServer::Push(const char* event, const std::string& data, int64_t id) {
  if (http_.StreamClients() == 0) return;
  QByteArray bytes = QByteArray("event: ") + event + '\n';
  if (id >= 0) bytes += "id: " + QByteArray::number(id) + '\n';
  bytes += "data: ";
  bytes.append(data.data(), static_cast<qsizetype>(data.size()));
  bytes += "\n\n";
  http_.Broadcast(bytes);
}

bool WebServer::Authorized(const HttpRequest& request) const {
  if (token_.isEmpty()) return true;
  const QByteArray authorization = request.Header("authorization");
  if (authorization.startsWith("Bearer ") && SameBytes(authorization.mid(7).trimmed(), token_)) {
    return true;
  }
  const QByteArray cookie = CookieValue(request.Header("cookie"), "korvale_session");
  return !cookie.isEmpty() && sessions_.Holds(cookie);
}

HttpResponse WebServer::OneTimeLink(const QByteArray& token) {
  if (token_.isEmpty() || !SameBytes(token, token_)) {
    return Text(401, QStringLiteral("認証が必要です。トークン付きのリンクから開いてください。"));
  }
  HttpResponse response;
  response.status = 303;
  response.headers.emplace_back("Location", "/");
  response.headers.emplace_back(
      "Set-Cookie", "korvale_session=" + sessions_.Issue() + "; HttpOnly; SameSite=Strict; Path=/");
  return response;
}

HttpResponse WebServer::Handle(const HttpRequest& request) {
  bool hasToken = false;
  const QByteArray token = request.Query("token", &hasToken);
  if (hasToken && request.method == "GET" && request.path == "/" && !token_.isEmpty()) {
    return OneTimeLink(token);
  }
  if (!Authorized(request)) {
    return Text(401, QStringLiteral("認証が必要です。トークン付きのリンクから開いてください。"));
  }
  return Route(request);
}

HttpResponse WebServer::Route(const HttpRequest& request) {
  const QByteArray& path = request.path;
  if (path == "/mark") {
    if (request.method != "POST") return Text(405, QStringLiteral("POST で送ってください。\n"));
    return PostMark(request);
  }
  if (request.method != "GET") return Text(405, QStringLiteral("GET だけを受け付けます。\n"));
  if (path == "/") return PageFile("index.html", "text/html; charset=utf-8");
  if (path == "/app.js") return PageFile("app.js", "text/javascript; charset=utf-8");
  if (path == "/app.css") return PageFile("app.css", "text/css; charset=utf-8");
  if (path == "/uplot.js") return PageFile("uplot.js", "text/javascript; charset=utf-8");
  if (path == "/uplot.css") return PageFile("uplot.css", "text/css; charset=utf-8");
  if (path == "/api/state") return Json(StateJson(view_, bool(markHandler_)));
  if (path == "/api/view") return View(request);
  if (path == "/api/samples") return Samples(request);
  if (path == "/metrics") {
    HttpResponse response;
    response.contentType = "text/plain; version=0.0.4; charset=utf-8";
    response.body = MetricsText(view_);
    return response;
  }
  if (path == "/events") {
    HttpResponse response;
    response.contentType = "text/event-stream; charset=utf-8";
    response.eventStream = true;
    response.body =
        "retry: 2000\nevent: state\ndata: " + StateJson(view_, bool(markHandler_)) + "\n\n";
    return response;
  }
  return Text(404, QStringLiteral("ありません。\n"));
}

HttpResponse WebServer::View(const HttpRequest& request) {
  int64_t from = 0, to = -1, points = 1000;
  bool present = false;
  const QByteArray fromText = request.Query("from", &present);
  if (present && !ReadInt(fromText, from))
    return Text(400, QStringLiteral("from が数ではありません。\n"));
  const QByteArray toText = request.Query("to", &present);
  if (present && !ReadInt(toText, to))
    return Text(400, QStringLiteral("to が数ではありません。\n"));
  const QByteArray pointsText = request.Query("points", &present);
  if (present && !ReadInt(pointsText, points)) {
    return Text(400, QStringLiteral("points が数ではありません。\n"));
  }
  return Json(ViewJson(view_, std::max<int64_t>(from, 0), to,
                       static_cast<int>(std::clamp<int64_t>(points, 0, 1 << 20))));
}

HttpResponse WebServer::Samples(const HttpRequest& request) {
  int64_t from = 0;
  bool present = false;
  const QByteArray fromText = request.Query("from", &present);
  if (present && (!ReadInt(fromText, from) || from < 0 || from > view_.Count())) {
    return Text(
        400,
        QStringLiteral("from には 0 から %1 までの数を指定してください。\n").arg(view_.Count()));
  }
  if (from < view_.FirstHeld()) {
    return Text(410, QStringLiteral("サンプル %1 より前のデータはもう保持していません。"
                                    "記録されたファイルを使ってください。\n")
                         .arg(view_.FirstHeld()));
  }
  HttpResponse response;
  response.contentType = "text/csv; charset=utf-8";
  if (!view_.Begun()) return response;
  AppendRunHeaderRow(response.body, view_.Run());
  // The rows up to the newest at the request, made as the client takes them; rows that the view
  // stops holding meanwhile end the answer early.
  const int64_t to = view_.Count();
  auto next = std::make_shared<int64_t>(from);
  auto rowText = std::make_shared<AnalysisRowText>(view_.Run().startMs);
  response.producer = [this, next, rowText, to](std::string& out) {
    const int columns = view_.Columns();
    const int64_t end = std::min(*next + kSampleRowsPerPiece, std::min(to, view_.Count()));
    if (*next < view_.FirstHeld()) return false;
    float values[4];
    for (; *next < end; ++*next) {
      for (int c = 0; c < columns; ++c) values[c] = view_.ValueOf(c, *next);
      rowText->Append(out, *next, view_.TimeOf(*next), values, columns, view_.MarkTextAt(*next));
    }
    return *next < to && *next < view_.Count();
  };
  return response;
}

HttpResponse WebServer::PostMark(const HttpRequest& request) {
  if (!markHandler_) return Text(404, QStringLiteral("マークは付けられません。\n"));
  if (request.body.size() > kMaxMarkText) {
    return Text(413, QStringLiteral("マークの文字列は %1 バイトまでです。\n").arg(kMaxMarkText));
  }
  const std::optional<RunMark> mark = markHandler_(QString::fromUtf8(request.body));
  if (!mark) return Text(404, QStringLiteral("測定中ではないため、マークを付けられません。\n"));
  return Json(MarkJson(*mark));
}
