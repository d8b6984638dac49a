#include "core/serve_settings.h"

#include <QSettings>

namespace {

const QString kSection = QStringLiteral("Serve");

}  // namespace

QString DefaultServeAddress() {
  return QStringLiteral("127.0.0.1");
}

bool ParseServeEndpoint(const QString& text, QString& address, int& port) {
  const QString t = text.trimmed();
  QString portText = t;
  address = DefaultServeAddress();
  if (t.startsWith(QLatin1Char('['))) {
    const int close = t.indexOf(QLatin1String("]:"));
    if (close < 0) return false;
    address = t.mid(1, close - 1);
    portText = t.mid(close + 2);
  } else if (t.count(QLatin1Char(':')) == 1) {
    const int colon = t.indexOf(QLatin1Char(':'));
    address = t.left(colon);
    portText = t.mid(colon + 1);
  } else if (t.contains(QLatin1Char(':'))) {
    return false;
  }
  bool ok = false;
  port = portText.toInt(&ok);
  return ok && !address.isEmpty() && port >= 1 && port <= 65535;
}

QString LoadServeSettings(QSettings& store, ServeSettings& settings) {
  store.beginGroup(kSection);
  settings.Address = store.value(QStringLiteral("Address")).toString().trimmed();
  settings.TokenFile = store.value(QStringLiteral("TokenFile")).toString().trimmed();
  const QString portText = store.value(QStringLiteral("Port")).toString().trimmed();
  store.endGroup();
  settings.Port = 0;
  if (portText.isEmpty()) return {};
  bool ok = false;
  const int port = portText.toInt(&ok);
  if (!ok || port < 0 || port > 65535) {
    return QStringLiteral("[Serve] の Port「%1」は 1 から 65535 まで（空欄で使わない）です。")
        .arg(portText);
  }
  settings.Port = port;
  return {};
}

void SaveServeSettings(QSettings& store, const ServeSettings& settings) {
  // A store that never served keeps no section for it.
  const bool used =
      settings.Port > 0 || !settings.Address.isEmpty() || !settings.TokenFile.isEmpty();
  if (!used && !store.childGroups().contains(kSection)) return;
  store.beginGroup(kSection);
  store.setValue(QStringLiteral("Address"), settings.Address);
  store.setValue(QStringLiteral("Port"),
                 settings.Port > 0 ? QString::number(settings.Port) : QString());
  store.setValue(QStringLiteral("TokenFile"), settings.TokenFile);
  store.endGroup();
  store.sync();
}

QString LoadServeSettings(ServeSettings& settings) {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
  return LoadServeSettings(store, settings);
}

void SaveServeSettings(const ServeSettings& settings) {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
  SaveServeSettings(store, settings);
}
