#include "files/sidecar.h"

#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>

#include "files/analysis_csv.h"
#include "files/publish.h"

namespace {

constexpr int kFormatVersion = 1;
constexpr qint64 kLargestSidecar = 64 * 1024 * 1024;  // far beyond 88000 marks of long texts

// A JSON string literal of text, quotes included.
QByteArray JsonString(const QString& text) {
  QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

// The instant rs's time axis begins, when it is known: the exact start, or the start time text.
std::optional<int64_t> AxisStart(const RecordSet& rs) {
  if (rs.HasStartMs) return rs.StartMs;
  int64_t ms = 0;
  if (ParseStartTime(rs.StartTime, ms)) return ms;
  return std::nullopt;
}

QString UnitKey(int unit) {
  return QStringLiteral("ID%1").arg(unit);
}

bool Fail(QString* error, const QString& reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

QString SidecarPath(const QString& dataPath) {
  return dataPath + QStringLiteral(".json");
}

QString IsoLocalTimeMs(int64_t utcMs) {
  const QDateTime t = QDateTime::fromMSecsSinceEpoch(utcMs);
  const int offset = t.offsetFromUtc();
  const int minutes = std::abs(offset) / 60;
  return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
         (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
         QStringLiteral("%1:%2")
             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

Sidecar SidecarOf(const RecordSet& rs) {
  Sidecar s;
  s.hasStart = rs.HasStartMs;
  s.startMs = rs.StartMs;
  for (int i = 0; i < RecordSet::kUnits; ++i) s.names[i] = rs.Units[i].Name;
  s.marks = rs.Marks;
  s.intervalMs = rs.IntervalTM;
  s.axisStartMs = AxisStart(rs);
  return s;
}

bool Sidecar::HasContent() const {
  if (hasStart || !marks.empty()) return true;
  return std::any_of(names.begin(), names.end(), [](const QString& n) { return !n.isEmpty(); });
}

void ApplySidecar(const Sidecar& sidecar, RecordSet& rs) {
  rs.HasStartMs = sidecar.hasStart;
  rs.StartMs = sidecar.hasStart ? sidecar.startMs : 0;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    rs.Units[i].Name = sidecar.names[i].left(RecordSet::kMaxNameLength);
  }
  rs.Marks.clear();
  for (const Mark& m : sidecar.marks) rs.AddMark(m.sample, m.text, m.number);
}

QByteArray EncodeSidecar(const Sidecar& sidecar, const QString& dataFileName,
                         std::optional<int32_t> samples) {
  QByteArray out = "{\n  \"korvale_sidecar\": " + QByteArray::number(kFormatVersion);
  out += ",\n  \"data_file\": " + JsonString(dataFileName);
  if (samples) out += ",\n  \"samples\": " + QByteArray::number(*samples);
  if (sidecar.hasStart) out += ",\n  \"start\": " + JsonString(IsoLocalTimeMs(sidecar.startMs));
  QByteArray channels;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    if (sidecar.names[i].isEmpty()) continue;
    if (!channels.isEmpty()) channels += ", ";
    channels += JsonString(UnitKey(i)) + ": " + JsonString(sidecar.names[i]);
  }
  if (!channels.isEmpty()) out += ",\n  \"channels\": {" + channels + "}";
  if (!sidecar.marks.empty()) {
    const std::optional<int64_t> start = sidecar.axisStartMs;
    out += ",\n  \"marks\": [";
    for (size_t i = 0; i < sidecar.marks.size(); ++i) {
      const Mark& m = sidecar.marks[i];
      out += i == 0 ? "\n    " : ",\n    ";
      out += "{\"number\": " + QByteArray::number(m.number) +
             ", \"sample\": " + QByteArray::number(m.sample);
      if (start) {
        const int64_t at = *start + int64_t{m.sample} * sidecar.intervalMs;
        out += ", \"time\": " + JsonString(IsoLocalTimeMs(at));
      }
      out += ", \"text\": " + JsonString(m.text) + "}";
    }
    out += "\n  ]";
  }
  out += "\n}\n";
  return out;
}

bool SaveSidecar(const Sidecar& sidecar, const QString& dataPath, std::optional<int32_t> samples,
                 QString* error) {
  const QString path = SidecarPath(dataPath);
  if (!sidecar.HasContent()) {
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT) return true;
    return Fail(error, QStringLiteral("古い付属ファイル %1 を削除できません。").arg(path));
  }
  return ReplaceFile(path, EncodeSidecar(sidecar, QFileInfo(dataPath).fileName(), samples), error);
}

SidecarRead ParseSidecar(const QByteArray& bytes, const QString& dataFileName, Sidecar& sidecar,
                         QString* error) {
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
  const QJsonObject root = doc.object();
  const QJsonValue version = root.value(QStringLiteral("korvale_sidecar"));
  if (doc.isNull() || !doc.isObject() || !version.isDouble()) {
    if (error) *error = QStringLiteral("付属ファイルの形式が正しくありません。");
    return SidecarRead::Refused;
  }
  if (static_cast<int>(version.toDouble()) > kFormatVersion) {
    if (error) {
      *error = QStringLiteral("付属ファイルは新しい形式 (%1) で、このバージョンでは読めません。")
                   .arg(version.toDouble());
    }
    return SidecarRead::Refused;
  }
  const QJsonValue named = root.value(QStringLiteral("data_file"));
  if (named.isString() && named.toString() != dataFileName) return SidecarRead::Ignored;

  sidecar = Sidecar{};
  const QDateTime start =
      QDateTime::fromString(root.value(QStringLiteral("start")).toString(), Qt::ISODateWithMs);
  if (start.isValid()) {
    sidecar.hasStart = true;
    sidecar.startMs = start.toMSecsSinceEpoch();
  }
  const QJsonObject channels = root.value(QStringLiteral("channels")).toObject();
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    sidecar.names[i] = channels.value(UnitKey(i)).toString();
  }
  for (const QJsonValue& value : root.value(QStringLiteral("marks")).toArray()) {
    const QJsonObject o = value.toObject();
    const double sample = o.value(QStringLiteral("sample")).toDouble(0);
    if (sample < 1 || sample > RecordSet::MaxData) continue;
    Mark m;
    m.number = std::max(0, o.value(QStringLiteral("number")).toInt(0));
    m.sample = static_cast<int32_t>(sample);
    m.text = o.value(QStringLiteral("text")).toString();
    sidecar.marks.push_back(m);
  }
  std::stable_sort(sidecar.marks.begin(), sidecar.marks.end(),
                   [](const Mark& a, const Mark& b) { return a.sample < b.sample; });
  return SidecarRead::Read;
}

SidecarRead ReadSidecar(const QString& dataPath, Sidecar& sidecar, QString* error) {
  QFile file(SidecarPath(dataPath));
  if (!file.exists()) return SidecarRead::None;
  if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestSidecar) {
    if (error) *error = QStringLiteral("付属ファイル %1 を読めません。").arg(file.fileName());
    return SidecarRead::Refused;
  }
  return ParseSidecar(file.readAll(), QFileInfo(dataPath).fileName(), sidecar, error);
}
