#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "core/module_data.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  QString IniPath() const { return dir_.filePath("store.ini"); }

  void WriteIni(const QByteArray& text) {
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }

  QByteArray ReadIni() {
    QFile f(IniPath());
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }

  ModuleData Load(std::vector<SettingProblem>* problems = nullptr) {
    QSettings store(IniPath(), QSettings::IniFormat);
    ModuleData md;
    const std::vector<SettingProblem> found = md.LoadSettings(store);
    if (problems) *problems = found;
    return md;
  }

  QTemporaryDir dir_;
};

void ExpectDefaults(const ModuleData& md) {
  EXPECT_TRUE(md.Record.Units[0].MflagID);
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(md.Record.Units[i].MflagID) << i;
  for (const auto& u : md.Record.Units) EXPECT_EQ(u.ConnectID, 0);
  EXPECT_FALSE(md.Record.TimerType);
  EXPECT_EQ(md.Record.IntervalTM, 1000);
  EXPECT_FALSE(md.Record.MeasKind);
  EXPECT_FALSE(md.Record.DataAverage);
  EXPECT_EQ(md.AverageCount, 1);
}

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaults) {
  ModuleData md;
  md.Record.Units[0].MflagID = false;
  md.Record.Units[2].MflagID = true;
  md.Record.Units[2].ConnectID = 5;
  md.Record.IntervalTM = 7;
  md.Record.DataAverage = true;
  md.AverageCount = 9;
  QSettings store(IniPath(), QSettings::IniFormat);
  md.LoadSettings(store);
  ExpectDefaults(md);
}

TEST_F(SettingsStoreTest, SaveWritesEveryKeyAndLoadReadsItBack) {
  ModuleData saved;
  saved.Record.Units[0].MflagID = false;
  saved.Record.Units[1].MflagID = true;
  saved.Record.Units[3].MflagID = true;
  saved.Record.Units[1].ConnectID = 4;
  saved.Record.Units[3].ConnectID = 7;
  saved.Record.TimerType = true;
  saved.Record.IntervalTM = 15000;
  saved.Record.MeasKind = true;
  saved.Record.DataAverage = true;
  saved.AverageCount = 42;  // not recomputed by a save
  {
    QSettings store(IniPath(), QSettings::IniFormat);
    saved.SaveSettings(store);
  }
  EXPECT_EQ(saved.AverageCount, 42);
  EXPECT_EQ(ReadIni(),
            "[MeasInfo]\n"
            "ConnectID0=0\nConnectID1=4\nConnectID2=0\nConnectID3=7\n"
            "DataAverage=True\nIntervalTM=15000\nMeasKind=True\n"
            "MflagID0=False\nMflagID1=True\nMflagID2=False\nMflagID3=True\n"
            "TimerType=True\n");

  const ModuleData md = Load();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(md.Record.Units[i].MflagID, saved.Record.Units[i].MflagID) << i;
    EXPECT_EQ(md.Record.Units[i].ConnectID, saved.Record.Units[i].ConnectID) << i;
  }
  EXPECT_TRUE(md.Record.TimerType);
  EXPECT_EQ(md.Record.IntervalTM, 15000);
  EXPECT_TRUE(md.Record.MeasKind);
  EXPECT_TRUE(md.Record.DataAverage);
  EXPECT_EQ(md.AverageCount, 100);  // averaging with the computer's timer
}

TEST_F(SettingsStoreTest, ContinuousRecordingHasASectionOfItsOwnOnceUsed) {
  ModuleData md;
  md.Recording.Continuous = true;
  md.Recording.Folder = QStringLiteral("/srv/furnace, hall 2");
  {
    QSettings store(IniPath(), QSettings::IniFormat);
    md.SaveSettings(store);
  }
  EXPECT_TRUE(ReadIni().endsWith("[Recording]\nContinuous=True\nFolder=\"/srv/furnace, hall 2\"\n"))
      << ReadIni().toStdString();
  ModuleData read = Load();
  EXPECT_TRUE(read.Recording.Continuous);
  EXPECT_EQ(read.Recording.Folder, md.Recording.Folder);

  // Switched off again: the section says so rather than keeping the old choice.
  md.Recording = RecordingSettings{};
  {
    QSettings store(IniPath(), QSettings::IniFormat);
    md.SaveSettings(store);
  }
  read = Load();
  EXPECT_FALSE(read.Recording.Continuous);
  EXPECT_TRUE(read.Recording.Folder.isEmpty());
  EXPECT_TRUE(ReadIni().contains("Continuous=False"));
}

TEST_F(SettingsStoreTest, BooleansReadAsWordsOrNumbers) {
  WriteIni(
      "[MeasInfo]\nMflagID0=0\nMflagID1=1\nMflagID2=true\nMflagID3=-1\n"
      "TimerType=FALSE\nMeasKind=2.5\nDataAverage=True\nIntervalTM=250\n");
  const ModuleData md = Load();
  EXPECT_FALSE(md.Record.Units[0].MflagID);
  EXPECT_TRUE(md.Record.Units[1].MflagID);
  EXPECT_TRUE(md.Record.Units[2].MflagID);
  EXPECT_TRUE(md.Record.Units[3].MflagID);
  EXPECT_FALSE(md.Record.TimerType);
  EXPECT_TRUE(md.Record.MeasKind);
  EXPECT_TRUE(md.Record.DataAverage);
  EXPECT_EQ(md.AverageCount, 25);
}

TEST_F(SettingsStoreTest, IntegersRoundHalvesToEven) {
  WriteIni("[MeasInfo]\nConnectID0=2.5\nConnectID1=3.5\nConnectID2= 6 \nIntervalTM=1e4\n");
  const ModuleData md = Load();
  EXPECT_EQ(md.Record.Units[0].ConnectID, 2);
  EXPECT_EQ(md.Record.Units[1].ConnectID, 4);
  EXPECT_EQ(md.Record.Units[2].ConnectID, 6);
  EXPECT_EQ(md.Record.IntervalTM, 10000);
}

TEST_F(SettingsStoreTest, DamagedValuesTakeTheirDefaults) {
  WriteIni(
      "[MeasInfo]\nMflagID0=yes\nMflagID1=\nConnectID0=abc\nConnectID1=32768\n"
      "ConnectID2=-32769\nConnectID3=1,2\nTimerType=maybe\nIntervalTM=2147483648\n"
      "MeasKind=@Invalid()\nDataAverage=0x1\n");
  std::vector<SettingProblem> problems;
  ExpectDefaults(Load(&problems));
  // Each is named with the text stored, so that nobody measures with settings they did not choose.
  QStringList keys;
  for (const SettingProblem& p : problems) keys << p.key;
  EXPECT_EQ(keys,
            QStringList({"MflagID0", "MflagID1", "ConnectID0", "ConnectID1", "ConnectID2",
                         "ConnectID3", "TimerType", "MeasKind", "DataAverage", "IntervalTM"}));
  ASSERT_FALSE(problems.empty());
  EXPECT_TRUE(SettingProblemLine(problems[0]).startsWith(QStringLiteral("MflagID0=yes（")));
  EXPECT_EQ(problems[5].value, QStringLiteral("1,2"));
}

// Values the settings dialog would refuse: no unit used, a type outside the list, an interval
// the timing and averaging do not allow (below 10 s with averaging, not in 10 ms steps).
TEST_F(SettingsStoreTest, ValuesTheSettingsDialogRefusesTakeTheirDefaults) {
  WriteIni(
      "[MeasInfo]\nMflagID0=False\nConnectID0=8\nConnectID1=-1\nTimerType=True\n"
      "DataAverage=True\nIntervalTM=5000\n");
  std::vector<SettingProblem> problems;
  ExpectDefaults(Load(&problems));
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(problems[0].key, QStringLiteral("ConnectID0"));
  EXPECT_EQ(problems[1].key, QStringLiteral("ConnectID1"));
  // The interval with the timing and averaging it was stored with: 10 s at least.
  EXPECT_EQ(problems[2].key, QStringLiteral("IntervalTM"));
  EXPECT_TRUE(problems[2].allowed.contains(QStringLiteral("10000 〜 65535000")))
      << problems[2].allowed.toStdString();
  EXPECT_EQ(problems[2].replaced, QStringList({"IntervalTM", "TimerType", "DataAverage"}));
  EXPECT_EQ(problems[3].replaced, QStringList({"MflagID0"}));
  WriteIni("[MeasInfo]\nIntervalTM=15\n");
  ExpectDefaults(Load(&problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_TRUE(SettingProblemLine(problems[0]).startsWith(QStringLiteral("IntervalTM=15（")));
  // Absent keys and values that can be used are no problem.
  WriteIni("[MeasInfo]\nTimerType=True\nIntervalTM=2000\n");
  EXPECT_EQ(Load(&problems).Record.IntervalTM, 2000);
  EXPECT_TRUE(problems.empty());
}

// A file that is not text of INI lines (random bytes, another program's file) is no settings
// store: the per-user store then gives the defaults and names the file.
TEST_F(SettingsStoreTest, AFileThatIsNoIniFileIsNamedAndGivesTheDefaults) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  const QString path = dir_.filePath("Korvalle.ini");
  struct Case {
    QByteArray bytes;
    bool ini;
  };
  const Case cases[] = {
      {QByteArray("\xEF\xBB\xBF[MeasInfo]\r\n; note\r\nIntervalTM=3000\r\n\r\n"), true},
      {QByteArray("[MeasInfo]\nIntervalTM=3000\nCommand=a \\\n  b\n"), true},
      {QByteArray("[MeasInfo]\nIntervalTM=3000\n\x01\x02\n"), false},
      {QByteArray("[MeasInfo]\nIntervalTM=3000") + QByteArray(1, '\0') + "\n", false},
      {QByteArray("#!/bin/sh\necho hello\n"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.toStdString());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.bytes);
    f.close();
    ModuleData md;
    const std::vector<SettingProblem> problems = md.LoadSettings();
    EXPECT_EQ(problems.empty(), c.ini);
    EXPECT_EQ(md.Record.IntervalTM, c.ini ? 3000 : 1000);
    if (!c.ini) {
      ASSERT_EQ(problems.size(), 1u);
      EXPECT_TRUE(SettingProblemLine(problems[0]).contains(path))
          << SettingProblemLine(problems[0]).toStdString();
    }
  }
}

TEST_F(SettingsStoreTest, UserStoreIsKorvalleIniInTheConfigFolder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  ModuleData saved;
  saved.Record.IntervalTM = 3000;
  saved.SaveSettings();
  EXPECT_TRUE(QFile::exists(dir_.filePath("Korvalle.ini")));

  ModuleData md;
  md.LoadSettings();
  EXPECT_EQ(md.Record.IntervalTM, 3000);
}

}  // namespace
