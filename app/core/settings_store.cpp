// Loading and saving the measurement settings in the per-user settings store.
#include <QSettings>
#include <QStringList>
#include <limits>
#include <optional>

#include "core/module_data.h"
#include "core/operator_number.h"
#include "core/settings_rules.h"

namespace {

const QString kApplication = QStringLiteral("Korvalle");
const QString kSection = QStringLiteral("MeasInfo");
const QString kRecordingSection = QStringLiteral("Recording");

// The stored text of a key, or nothing when the key is absent. A value the store split at its
// commas comes back as a list: joined again, it is judged like any other text.
std::optional<QString> StoredText(const QSettings& store, const QString& key) {
  if (!store.contains(key)) return std::nullopt;
  const QVariant v = store.value(key);
  if (v.metaType().id() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
  return v.toString();
}

// The words True and False in any case, or a number where anything but zero is True. A text that
// is neither leaves the default: a damaged store must not keep the program from starting.
bool ReadBool(const QSettings& store, const QString& key, bool fallback) {
  const auto text = StoredText(store, key);
  if (!text) return fallback;
  const QString t = text->trimmed();
  if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
  if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
  const auto v = ToDouble(t);
  return v ? *v != 0 : fallback;
}

// A number rounded halves to even; outside [low, high] or not a number leaves the default.
int32_t ReadInt(const QSettings& store, const QString& key, int32_t fallback, int32_t low,
                int32_t high) {
  const auto text = StoredText(store, key);
  if (!text) return fallback;
  const auto v = ToInt32(*text);
  if (!v || *v < low || *v > high) return fallback;
  return *v;
}

QString BoolText(bool v) {
  return v ? QStringLiteral("True") : QStringLiteral("False");
}

QString IndexedKey(const char* name, int i) {
  return QLatin1String(name) + QString::number(i);
}

}  // namespace

void ModuleData::LoadSettings() {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, kApplication);
  LoadSettings(store);
}

void ModuleData::LoadSettings(QSettings& store) {
  constexpr int32_t kLastType = 7;  // thermocouple types B to T
  constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();

  store.beginGroup(kSection);
  for (int i = 0; i < kUnits; ++i) {
    Units[i].MflagID = ReadBool(store, IndexedKey("MflagID", i), i == 0);
  }
  for (int i = 0; i < kUnits; ++i) {
    Units[i].ConnectID =
        static_cast<int16_t>(ReadInt(store, IndexedKey("ConnectID", i), 0, 0, kLastType));
  }
  TimerType = ReadBool(store, QStringLiteral("TimerType"), false);
  IntervalTM = ReadInt(store, QStringLiteral("IntervalTM"), 1000, kMin32, kMax32);
  MeasKind = ReadBool(store, QStringLiteral("MeasKind"), false);
  DataAverage = ReadBool(store, QStringLiteral("DataAverage"), false);
  store.endGroup();

  // A combination the settings dialog would refuse (a damaged or hand-edited store) falls back to
  // the defaults: no unit used gives unit 0 alone; an interval the timing and averaging do not
  // allow gives the default timing (units pace at 1000 ms, no averaging), which always keeps them.
  if (!AnyUnitUsed(*this)) {
    for (int i = 0; i < kUnits; ++i) Units[i].MflagID = i == 0;
  }
  if (!IntervalAllowed(TimerType, DataAverage, IntervalTM)) {
    TimerType = false;
    IntervalTM = 1000;
    DataAverage = false;
  }

  store.beginGroup(kRecordingSection);
  Recording.Continuous = ReadBool(store, QStringLiteral("Continuous"), false);
  Recording.Folder = StoredText(store, QStringLiteral("Folder")).value_or(QString());
  store.endGroup();

  UpdateAverageCount();
}

void ModuleData::SaveSettings() const {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, kApplication);
  SaveSettings(store);
}

void ModuleData::SaveSettings(QSettings& store) const {
  store.beginGroup(kSection);
  for (int i = 0; i < kUnits; ++i) {
    store.setValue(IndexedKey("MflagID", i), BoolText(Units[i].MflagID));
  }
  for (int i = 0; i < kUnits; ++i) {
    store.setValue(IndexedKey("ConnectID", i), QString::number(Units[i].ConnectID));
  }
  store.setValue(QStringLiteral("TimerType"), BoolText(TimerType));
  store.setValue(QStringLiteral("IntervalTM"), QString::number(IntervalTM));
  store.setValue(QStringLiteral("MeasKind"), BoolText(MeasKind));
  store.setValue(QStringLiteral("DataAverage"), BoolText(DataAverage));
  store.endGroup();

  // A store that never had continuous recording keeps the measurement settings alone.
  const bool recordingUsed = Recording.Continuous || !Recording.Folder.isEmpty();
  if (recordingUsed || store.childGroups().contains(kRecordingSection)) {
    store.beginGroup(kRecordingSection);
    store.setValue(QStringLiteral("Continuous"), BoolText(Recording.Continuous));
    store.setValue(QStringLiteral("Folder"), Recording.Folder);
    store.endGroup();
  }
  store.sync();
}
