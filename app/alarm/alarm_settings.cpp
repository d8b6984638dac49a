#include "alarm/alarm_settings.h"

#include <QSettings>
#include <QStringList>
#include <cmath>

#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/operator_number.h"

namespace {

const QString kSection = QStringLiteral("Alarm");

// Temperature span of each thermocouple type (B, R, S, N, K, E, J, T): the lowest and highest
// temperature the driver's conversion can give.
constexpr MeasurableSpan kTypeSpans[8] = {{0, 1820},    {-50, 1768},  {-50, 1768},  {-270, 1300},
                                          {-270, 1372}, {-270, 1000}, {-210, 1200}, {-270, 400}};
// The converter's span in microvolts: 16-bit words of 100000 / 65536 microvolts each.
constexpr MeasurableSpan kVoltageSpan = {-100000, 100000};

QString KeyName(const char* name, int i) {
  return QLatin1String(name) + QString::number(i);
}

// The stored text of a key, joined again where the store split it at its commas.
std::optional<QString> StoredText(const QSettings& store, const QString& key) {
  if (!store.contains(key)) return std::nullopt;
  const QVariant v = store.value(key);
  if (v.metaType().id() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
  return v.toString();
}

// Reads key into value; false when its text is neither True nor False (any case) nor a number.
bool ReadBool(const QSettings& store, const QString& key, bool& value) {
  const auto text = StoredText(store, key);
  if (!text) return true;
  const QString t = text->trimmed();
  if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
    value = true;
  } else if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
    value = false;
  } else if (const auto v = ToDouble(t)) {
    value = *v != 0;
  } else {
    return false;
  }
  return true;
}

// Reads key into value; false when its text is not a finite number.
bool ReadNumber(const QSettings& store, const QString& key, double& value) {
  const auto text = StoredText(store, key);
  if (!text) return true;
  const auto v = ToDouble(*text);
  if (!v || !std::isfinite(*v)) return false;
  value = *v;
  return true;
}

QString BoolText(bool v) {
  return v ? QStringLiteral("True") : QStringLiteral("False");
}

QString UnitText(bool measKind) {
  return measKind ? QStringLiteral("μV") : QStringLiteral("℃");
}

QString NumberText(double v) {
  return QString::number(v, 'g', 15);
}

}  // namespace

double DefaultHysteresis(bool measKind) {
  return measKind ? 10.0 : 1.0;
}

double AlarmSettings::HysteresisFor(bool measKind) const {
  return Hysteresis.value_or(DefaultHysteresis(measKind));
}

bool AlarmSettings::AnyOn() const {
  for (int i = 0; i < 4; ++i) {
    if (HighOn[i] || LowOn[i]) return true;
  }
  return OpenOn;
}

MeasurableSpan MeasurableSpanOf(bool measKind, int tcType) {
  if (measKind) return kVoltageSpan;
  return kTypeSpans[tcType >= 0 && tcType < 8 ? tcType : 4];
}

QString LoadAlarmSettings(QSettings& store, AlarmSettings& s) {
  QString bad;
  const auto note = [&bad](bool ok, const QString& key) {
    if (!ok && bad.isEmpty()) bad = key;
  };
  store.beginGroup(kSection);
  for (int i = 0; i < 4; ++i) {
    note(ReadBool(store, KeyName("HighOn", i), s.HighOn[i]), KeyName("HighOn", i));
    note(ReadBool(store, KeyName("LowOn", i), s.LowOn[i]), KeyName("LowOn", i));
    note(ReadNumber(store, KeyName("High", i), s.High[i]), KeyName("High", i));
    note(ReadNumber(store, KeyName("Low", i), s.Low[i]), KeyName("Low", i));
  }
  const QString hysteresisKey = QStringLiteral("Hysteresis");
  double hysteresis = 0;
  if (store.contains(hysteresisKey)) {
    const bool ok = ReadNumber(store, hysteresisKey, hysteresis);
    note(ok, hysteresisKey);
    if (ok) s.Hysteresis = hysteresis;
  }
  note(ReadBool(store, QStringLiteral("OpenOn"), s.OpenOn), QStringLiteral("OpenOn"));
  note(ReadBool(store, QStringLiteral("Sound"), s.Sound), QStringLiteral("Sound"));
  s.Command = StoredText(store, QStringLiteral("Command")).value_or(s.Command);
  store.endGroup();
  if (bad.isEmpty()) return QString();
  return QStringLiteral("警報設定の %1 の値を読めません。").arg(bad);
}

void SaveAlarmSettings(QSettings& store, const AlarmSettings& s) {
  store.beginGroup(kSection);
  for (int i = 0; i < 4; ++i) {
    store.setValue(KeyName("HighOn", i), BoolText(s.HighOn[i]));
    store.setValue(KeyName("LowOn", i), BoolText(s.LowOn[i]));
    store.setValue(KeyName("High", i), NumberText(s.High[i]));
    store.setValue(KeyName("Low", i), NumberText(s.Low[i]));
  }
  if (s.Hysteresis) {
    store.setValue(QStringLiteral("Hysteresis"), NumberText(*s.Hysteresis));
  } else {
    store.remove(QStringLiteral("Hysteresis"));
  }
  store.setValue(QStringLiteral("OpenOn"), BoolText(s.OpenOn));
  store.setValue(QStringLiteral("Sound"), BoolText(s.Sound));
  store.setValue(QStringLiteral("Command"), s.Command);
  store.endGroup();
}

QString LoadAlarmSettings(AlarmSettings& settings) {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
  return LoadAlarmSettings(store, settings);
}

void SaveAlarmSettings(const AlarmSettings& settings) {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
  SaveAlarmSettings(store, settings);
}

QString CheckAlarmSettings(const AlarmSettings& s, const ModuleData& md) {
  const QString unit = UnitText(md.Record.MeasKind);
  for (int i = 0; i < 4; ++i) {
    const MeasurableSpan span = MeasurableSpanOf(md.Record.MeasKind, md.Record.Units[i].ConnectID);
    const QString what =
        md.Record.MeasKind ? QStringLiteral("電圧") : TcTypeName(md.Record.Units[i].ConnectID);
    const auto outside = [&](bool on, double v, const QString& name) {
      if (!on || (v >= span.min && v <= span.max)) return QString();
      return QStringLiteral("ID%1 の%2%3 %4 %5 は測定できる範囲（%6 〜 %7 %5）の外です。")
          .arg(QString::number(i), what, name, NumberText(v), unit, NumberText(span.min),
               NumberText(span.max));
    };
    QString why = outside(s.HighOn[i], s.High[i], QStringLiteral("の上限"));
    if (why.isEmpty()) why = outside(s.LowOn[i], s.Low[i], QStringLiteral("の下限"));
    if (!why.isEmpty()) return why;
    if (s.HighOn[i] && s.LowOn[i] && s.Low[i] > s.High[i]) {
      return QStringLiteral("ID%1 の下限 %2 %4 が上限 %3 %4 より上です。")
          .arg(i)
          .arg(NumberText(s.Low[i]), NumberText(s.High[i]), unit);
    }
  }
  const double hysteresis = s.HysteresisFor(md.Record.MeasKind);
  if (hysteresis < 0) {
    return QStringLiteral("ヒステリシス %1 %2 が負です。0 以上にしてください。")
        .arg(NumberText(hysteresis), unit);
  }
  // A clear needs a value the hysteresis inside its limit; with both limits on, one at least as
  // wide as the gap between them would keep one alarm active while the value is past the other.
  for (int i = 0; i < 4; ++i) {
    if (!s.HighOn[i] || !s.LowOn[i]) continue;
    const double gap = s.High[i] - s.Low[i];
    if (hysteresis < gap) continue;
    return QStringLiteral(
               "ヒステリシス %1 %3 が ID%2 の上限と下限の差 %4 %3 以上です。差より小さくしてくだ"
               "さい。")
        .arg(NumberText(hysteresis))
        .arg(i)
        .arg(unit, NumberText(gap));
  }
  return QString();
}
