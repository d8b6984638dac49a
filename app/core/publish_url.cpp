#include "core/publish_url.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

PublishUrl Refused(const QString& text, const QString& why) {
  PublishUrl url;
  url.reason = QStringLiteral("送信先 %1 は使えません: %2").arg(text, why);
  return url;
}

// The schemes in the order of PublishUrl::Kind, with their default ports.
struct Scheme {
  const char* name;
  PublishUrl::Kind kind;
  int port;
};
constexpr Scheme kSchemes[] = {{"mqtt", PublishUrl::Kind::Mqtt, 1883},
                               {"mqtts", PublishUrl::Kind::Mqtts, 8883},
                               {"influx", PublishUrl::Kind::Influx1, 8086},
                               {"influx2", PublishUrl::Kind::Influx2, 8086}};

QString SchemeName(PublishUrl::Kind kind) {
  return QLatin1String(kSchemes[static_cast<int>(kind)].name);
}

// The database, or the organisation and bucket, of an InfluxDB URL's path parts; the reason
// (Japanese) when they cannot be used, empty when they can.
QString TakeInfluxPath(const QStringList& parts, PublishUrl& out) {
  if (!out.user.isEmpty() || !out.password.isEmpty()) {
    return QStringLiteral("InfluxDB の URL には利用者名もパスワードも書けません");
  }
  if (out.kind == PublishUrl::Kind::Influx1) {
    if (parts.size() != 1) {
      return QStringLiteral("influx://ホスト[:ポート]/データベース の形で書いてください");
    }
    out.database = parts[0];
    return {};
  }
  if (parts.size() != 2) {
    return QStringLiteral("influx2://ホスト[:ポート]/組織/バケット の形で書いてください");
  }
  out.org = parts[0];
  out.bucket = parts[1];
  out.token = qEnvironmentVariable("KORVALE_INFLUX_TOKEN");
  if (out.token.isEmpty()) {
    return QStringLiteral("環境変数 KORVALE_INFLUX_TOKEN にトークンを設定してください");
  }
  return {};
}

// A path component of an MQTT topic or an InfluxDB name: no wildcards, no control characters.
bool PlainName(const QString& name) {
  static const QRegularExpression bad(QStringLiteral("[#+\\x00-\\x1f\\x7f]"));
  return !name.isEmpty() && !name.contains(bad);
}

}  // namespace

QString PublishUrl::Name() const {
  QString text = SchemeName(kind) + QStringLiteral("://");
  if (!user.isEmpty()) text += user + QLatin1Char('@');
  text += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
  text += QLatin1Char(':') + QString::number(port) + QLatin1Char('/');
  if (IsMqtt()) return text + prefix;
  if (kind == Kind::Influx1) return text + database;
  return text + org + QLatin1Char('/') + bucket;
}

QString PublishUrl::SafeName() const {
  QString safe;
  for (const QChar c : Name().mid(Name().indexOf(QLatin1Char(':')) + 3)) {
    const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                       (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c.isDigit() ||
                       c == QLatin1Char('.') || c == QLatin1Char('-');
    safe += plain ? c : QLatin1Char('_');
  }
  return SchemeName(kind) + QLatin1Char('_') + safe;
}

PublishUrl ParsePublishUrl(const QString& text) {
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  if (!url.isValid()) return Refused(text, QStringLiteral("URL の形式が正しくありません"));
  PublishUrl out;
  const QString scheme = url.scheme().toLower();
  const Scheme* known = nullptr;
  for (const Scheme& candidate : kSchemes) {
    if (scheme == QLatin1String(candidate.name)) known = &candidate;
  }
  if (!known) {
    return Refused(text,
                   QStringLiteral("mqtt://、mqtts://、influx:// か influx2:// で始めてください"));
  }
  out.kind = known->kind;
  out.port = known->port;
  out.host = url.host();
  if (out.host.isEmpty()) return Refused(text, QStringLiteral("ホスト名がありません"));
  if (url.port() == 0) return Refused(text, QStringLiteral("ポート番号が正しくありません"));
  if (url.port() > 0) out.port = url.port();
  if (url.hasQuery() || url.hasFragment()) {
    return Refused(text, QStringLiteral("? や # の付いた URL は使えません"));
  }
  out.user = url.userName();
  out.password = url.password();
  QString path = url.path();
  if (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
  if (path.endsWith(QLatin1Char('/'))) path.chop(1);
  const QStringList parts = path.split(QLatin1Char('/'));
  for (const QString& part : parts) {
    if (!PlainName(part)) {
      return Refused(text, out.IsMqtt() ? QStringLiteral("トピックの接頭辞が正しくありません")
                                        : QStringLiteral("データベースの名前が正しくありません"));
    }
  }
  if (out.IsMqtt()) {
    out.prefix = path;
  } else if (const QString why = TakeInfluxPath(parts, out); !why.isEmpty()) {
    return Refused(text, why);
  }
  out.ok = true;
  return out;
}

QStringList SplitPublishUrls(const QString& text) {
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  return text.split(blanks, Qt::SkipEmptyParts);
}
