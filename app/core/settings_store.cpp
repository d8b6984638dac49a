// Loading and saving the measurement settings in the per-user settings store.
#include <QSettings>
#include <QStringList>
#include <optional>

#include "core/module_data.h"
#include "core/operator_number.h"
#include "core/setting_problems.h"
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

// Collects the problems of one section while its keys are read.
class SectionReader {
 public:
  SectionReader(const QSettings& store, QString section, std::vector<SettingProblem>& problems)
      : store_(store), section_(std::move(section)), problems_(problems) {}

  // The words True and False in any case, or a number where anything but zero is True. A key that
  // holds neither keeps the default, and is reported.
  bool Bool(const QString& key, bool fallback) {
    const auto text = StoredText(store_, key);
    if (!text) return fallback;
    const QString t = text->trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    if (const auto v = ToDouble(t)) return *v != 0;
    Report(key, *text, QStringLiteral("True か False、または数値で 0 以外が True"));
    return fallback;
  }

  // A number rounded halves to even, within [low, high]; anything else keeps the default and is
  // reported with allowed.
  int32_t Int(const QString& key, int32_t fallback, int32_t low, int32_t high,
              const QString& allowed) {
    const auto text = StoredText(store_, key);
    if (!text) return fallback;
    const auto v = ToInt32(*text);
    if (v && *v >= low && *v <= high) return *v;
    Report(key, *text, allowed);
    return fallback;
  }

  void Report(const QString& key, const QString& value, const QString& allowed,
              QStringList replaced = {}) {
    if (replaced.isEmpty()) replaced << key;
    problems_.push_back({section_, key, value, allowed, replaced});
  }

 private:
  const QSettings& store_;
  QString section_;
  std::vector<SettingProblem>& problems_;
};

QString BoolText(bool v) {
  return v ? QStringLiteral("True") : QStringLiteral("False");
}

QString IndexedKey(const char* name, int i) {
  return QLatin1String(name) + QString::number(i);
}

// The used units and their thermocouple types.
void ReadUnitChoices(SectionReader& in, ModuleData& md) {
  constexpr int32_t kLastType = 7;  // thermocouple types B to T
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    md.Record.Units[i].MflagID = in.Bool(IndexedKey("MflagID", i), i == 0);
  }
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    md.Record.Units[i].ConnectID = static_cast<int16_t>(
        in.Int(IndexedKey("ConnectID", i), 0, 0, kLastType,
               QStringLiteral("熱電対の種類で 0 〜 7、B, R, S, N, K, E, J, T の順")));
  }
}

// The interval, judged with the timing and averaging already read: the settings dialog's rules.
// One it does not allow gives the default timing (units pace at 1000 ms, no averaging), which
// always keeps them.
void ReadInterval(SectionReader& in, const std::optional<QString>& intervalText,
                  std::vector<SettingProblem>& problems, ModuleData& md) {
  const QString intervalKey = QStringLiteral("IntervalTM");
  md.Record.IntervalTM = 1000;
  if (intervalText) {
    const auto v = ToInt32(*intervalText);
    if (v) md.Record.IntervalTM = *v;
    if (!v || !IntervalAllowed(md.Record.TimerType, md.Record.DataAverage, md.Record.IntervalTM)) {
      in.Report(intervalKey, *intervalText,
                IntervalAllowedText(md.Record.TimerType, md.Record.DataAverage));
      md.Record.IntervalTM = 1000;
    }
  }
  if (!IntervalAllowed(md.Record.TimerType, md.Record.DataAverage, md.Record.IntervalTM)) {
    QStringList replaced{intervalKey, QStringLiteral("TimerType"), QStringLiteral("DataAverage")};
    if (!problems.empty() && problems.back().key == intervalKey) {
      problems.back().replaced = replaced;
    } else {
      in.Report(intervalKey, QString::number(md.Record.IntervalTM),
                IntervalAllowedText(md.Record.TimerType, md.Record.DataAverage), replaced);
    }
    md.Record.TimerType = false;
    md.Record.IntervalTM = 1000;
    md.Record.DataAverage = false;
  }
}

// No unit used (every flag stored as False) gives unit 0 alone.
void KeepAUnitUsed(SectionReader& in, ModuleData& md) {
  if (AnyUnitUsed(md)) return;
  in.Report(QStringLiteral("MflagID0〜MflagID3"), QStringLiteral("False"),
            QStringLiteral("少なくとも 1 台を True に"), {QStringLiteral("MflagID0")});
  for (int i = 0; i < RecordSet::kUnits; ++i) md.Record.Units[i].MflagID = i == 0;
}

}  // namespace

std::vector<SettingProblem> ModuleData::LoadSettings() {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, kApplication);
  // A file that is no settings file at all gives nothing but the defaults.
  const QString fileProblem = SettingsFileProblem(store.fileName());
  if (!fileProblem.isEmpty()) {
    QSettings empty(QString(), QSettings::IniFormat);
    LoadSettings(empty);
    return {{QString(), store.fileName(), fileProblem, QString(), {}}};
  }
  return LoadSettings(store);
}

std::vector<SettingProblem> ModuleData::LoadSettings(QSettings& store) {
  std::vector<SettingProblem> problems;

  store.beginGroup(kSection);
  SectionReader in(store, kSection, problems);
  ReadUnitChoices(in, *this);
  Record.TimerType = in.Bool(QStringLiteral("TimerType"), false);
  const auto intervalText = StoredText(store, QStringLiteral("IntervalTM"));
  Record.MeasKind = in.Bool(QStringLiteral("MeasKind"), false);
  Record.DataAverage = in.Bool(QStringLiteral("DataAverage"), false);
  ReadInterval(in, intervalText, problems, *this);
  KeepAUnitUsed(in, *this);
  store.endGroup();

  store.beginGroup(kRecordingSection);
  SectionReader recording(store, kRecordingSection, problems);
  Recording.Continuous = recording.Bool(QStringLiteral("Continuous"), false);
  Recording.Folder = StoredText(store, QStringLiteral("Folder")).value_or(QString());
  store.endGroup();

  UpdateAverageCount();
  return problems;
}

void ModuleData::SaveSettings() const {
  QSettings store(QSettings::IniFormat, QSettings::UserScope, kApplication);
  SaveSettings(store);
}

void ModuleData::SaveSettings(QSettings& store) const {
  store.beginGroup(kSection);
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    store.setValue(IndexedKey("MflagID", i), BoolText(Record.Units[i].MflagID));
  }
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    store.setValue(IndexedKey("ConnectID", i), QString::number(Record.Units[i].ConnectID));
  }
  store.setValue(QStringLiteral("TimerType"), BoolText(Record.TimerType));
  store.setValue(QStringLiteral("IntervalTM"), QString::number(Record.IntervalTM));
  store.setValue(QStringLiteral("MeasKind"), BoolText(Record.MeasKind));
  store.setValue(QStringLiteral("DataAverage"), BoolText(Record.DataAverage));
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
