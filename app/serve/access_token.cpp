#include "serve/access_token.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

bool SameBytes(const QByteArray& a, const QByteArray& b) {
  unsigned char differ = a.size() == b.size() ? 0 : 1;
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) differ |= static_cast<unsigned char>(a[i] ^ b[i]);
  return differ == 0;
}

bool ReadTokenFile(const QString& path, QByteArray& token, QString* error) {
  QFile file(path);
  const QString native = QDir::toNativeSeparators(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) {
      *error =
          QStringLiteral("トークンファイルを読めません（%1）: %2").arg(file.errorString(), native);
    }
    return false;
  }
  token = file.read(4096).split('\n').value(0).trimmed();
  if (token.isEmpty()) {
    if (error) *error = QStringLiteral("トークンファイルが空です: %1").arg(native);
    return false;
  }
  return true;
}

QByteArray SessionCookies::Issue() {
  quint32 words[4];
  QRandomGenerator::system()->fillRange(words);
  const QByteArray value = QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
  values_.push_back(value);
  if (static_cast<int>(values_.size()) > kMaxSessions) values_.pop_front();
  return value;
}

bool SessionCookies::Holds(const QByteArray& value) const {
  bool found = false;
  for (const QByteArray& held : values_) found |= SameBytes(held, value);
  return found;
}
