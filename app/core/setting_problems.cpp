#include "core/setting_problems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// No settings file of the program comes near this; anything larger is not one.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

bool IsControl(unsigned char c) {
  return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
}

// Whether a line can be one of an INI file (a byte-order mark before the first is allowed).
bool LineIsIni(const QByteArray& line) {
  QByteArray t = line.trimmed();
  if (t.startsWith("\xEF\xBB\xBF")) t = t.mid(3).trimmed();
  if (t.isEmpty() || t.startsWith(';') || t.startsWith('#')) return true;
  if (t.startsWith('[')) return t.endsWith(']');
  return t.indexOf('=') > 0;
}

}  // namespace

QString SettingProblemLine(const SettingProblem& problem) {
  if (problem.section.isEmpty()) {
    return QStringLiteral("設定ファイル %1 を読めません（%2）")
        .arg(QDir::toNativeSeparators(problem.key), problem.value);
  }
  return QStringLiteral("%1=%2（%3）").arg(problem.key, problem.value, problem.allowed);
}

QString SettingsReplacedNotice(const std::vector<SettingProblem>& problems) {
  QStringList keys;
  QStringList lines;
  for (const SettingProblem& p : problems) {
    for (const QString& key : p.replaced) {
      if (!keys.contains(key)) keys << key;
    }
    lines << SettingProblemLine(p);
  }
  const QString head =
      keys.isEmpty() ? QStringLiteral("保存されている測定条件を読めないため、既定値にしました。")
                     : QStringLiteral(
                           "保存されている測定条件に使えない値があるため、次の項目を"
                           "既定値にしました: %1")
                           .arg(keys.join(QStringLiteral(", ")));
  return head + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

QString SettingsFileProblem(const QString& path) {
  QFile file(path);
  if (!file.exists()) return QString();
  if (!QFileInfo(path).isFile()) return QStringLiteral("通常のファイルではありません");
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("読み取りの権限がありません");
  if (file.size() > kMaxSettingsBytes) return QStringLiteral("大きすぎます");
  const QByteArray bytes = file.read(kMaxSettingsBytes + 1);
  if (bytes.size() > kMaxSettingsBytes) return QStringLiteral("大きすぎます");
  const QList<QByteArray> lines = bytes.split('\n');
  bool continued = false;  // the previous line's value ends in a backslash
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QByteArray& line = lines[i];
    const auto bad = std::find_if(line.begin(), line.end(),
                                  [](char c) { return IsControl(static_cast<unsigned char>(c)); });
    if (bad != line.end() || (!continued && !LineIsIni(line))) {
      return QStringLiteral("%1 行目が INI 形式ではありません").arg(i + 1);
    }
    continued = line.trimmed().endsWith('\\');
  }
  return QString();
}
