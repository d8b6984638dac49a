#include "core/publish_settings.h"

#include <QSettings>

namespace {

const QString kApplication = QStringLiteral("Korvalle");
const QString kSection = QStringLiteral("Publish");
// Keys past a gap are still read, up to this many.
constexpr int kMaxUrls = 32;

}  // namespace

QStringList LoadPublishUrls() {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, kApplication);
  return LoadPublishUrls(store);
}

QStringList LoadPublishUrls(QSettings& store) {
  QStringList urls;
  store.beginGroup(kSection);
  for (int i = 0; i < kMaxUrls; ++i) {
    const QString url = store.value(QStringLiteral("Url%1").arg(i)).toString().trimmed();
    if (!url.isEmpty()) urls << url;
  }
  store.endGroup();
  return urls;
}

void SavePublishUrls(const QStringList& urls) {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, kApplication);
  SavePublishUrls(store, urls);
}

void SavePublishUrls(QSettings& store, const QStringList& urls) {
  store.beginGroup(kSection);
  store.remove(QString());
  for (int i = 0; i < urls.size(); ++i) store.setValue(QStringLiteral("Url%1").arg(i), urls[i]);
  store.endGroup();
}
