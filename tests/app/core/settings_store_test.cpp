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

  ModuleData Load() {
    QSettings store(IniPath(), QSettings::IniFormat);
    ModuleData md;
    md.LoadSettings(store);
    return md;
  }

  QTemporaryDir dir_;
};

void ExpectDefaults(const ModuleData& md) {
  EXPECT_TRUE(md.Units[0].MflagID);
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(md.Units[i].MflagID) << i;
  for (const auto& u : md.Units) EXPECT_EQ(u.ConnectID, 0);
  EXPECT_FALSE(md.TimerType);
  EXPECT_EQ(md.IntervalTM, 1000);
  EXPECT_FALSE(md.MeasKind);
  EXPECT_FALSE(md.DataAverage);
  EXPECT_EQ(md.AverageCount, 1);
}

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaults) {
  ModuleData md;
  md.Units[0].MflagID = false;
  md.Units[2].MflagID = true;
  md.Units[2].ConnectID = 5;
  md.IntervalTM = 7;
  md.DataAverage = true;
  md.AverageCount = 9;
  QSettings store(IniPath(), QSettings::IniFormat);
  md.LoadSettings(store);
  ExpectDefaults(md);
}

TEST_F(SettingsStoreTest, SaveWritesEveryKeyAndLoadReadsItBack) {
  ModuleData saved;
  saved.Units[0].MflagID = false;
  saved.Units[1].MflagID = true;
  saved.Units[3].MflagID = true;
  saved.Units[1].ConnectID = 4;
  saved.Units[3].ConnectID = 7;
  saved.TimerType = true;
  saved.IntervalTM = 15000;
  saved.MeasKind = true;
  saved.DataAverage = true;
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
    EXPECT_EQ(md.Units[i].MflagID, saved.Units[i].MflagID) << i;
    EXPECT_EQ(md.Units[i].ConnectID, saved.Units[i].ConnectID) << i;
  }
  EXPECT_TRUE(md.TimerType);
  EXPECT_EQ(md.IntervalTM, 15000);
  EXPECT_TRUE(md.MeasKind);
  EXPECT_TRUE(md.DataAverage);
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
  EXPECT_FALSE(md.Units[0].MflagID);
  EXPECT_TRUE(md.Units[1].MflagID);
  EXPECT_TRUE(md.Units[2].MflagID);
  EXPECT_TRUE(md.Units[3].MflagID);
  EXPECT_FALSE(md.TimerType);
  EXPECT_TRUE(md.MeasKind);
  EXPECT_TRUE(md.DataAverage);
  EXPECT_EQ(md.AverageCount, 25);
}

TEST_F(SettingsStoreTest, IntegersRoundHalvesToEven) {
  WriteIni("[MeasInfo]\nConnectID0=2.5\nConnectID1=3.5\nConnectID2= 6 \nIntervalTM=1e4\n");
  const ModuleData md = Load();
  EXPECT_EQ(md.Units[0].ConnectID, 2);
  EXPECT_EQ(md.Units[1].ConnectID, 4);
  EXPECT_EQ(md.Units[2].ConnectID, 6);
  EXPECT_EQ(md.IntervalTM, 10000);
}

TEST_F(SettingsStoreTest, DamagedValuesTakeTheirDefaults) {
  WriteIni(
      "[MeasInfo]\nMflagID0=yes\nMflagID1=\nConnectID0=abc\nConnectID1=32768\n"
      "ConnectID2=-32769\nConnectID3=1,2\nTimerType=maybe\nIntervalTM=2147483648\n"
      "MeasKind=@Invalid()\nDataAverage=0x1\n");
  ExpectDefaults(Load());
}

// Values the settings dialog would refuse: no unit used, a type outside the list, an interval
// the timing and averaging do not allow (below 10 s with averaging, not in 10 ms steps).
TEST_F(SettingsStoreTest, ValuesTheSettingsDialogRefusesTakeTheirDefaults) {
  WriteIni(
      "[MeasInfo]\nMflagID0=False\nConnectID0=8\nConnectID1=-1\nTimerType=True\n"
      "DataAverage=True\nIntervalTM=5000\n");
  ExpectDefaults(Load());
  WriteIni("[MeasInfo]\nIntervalTM=15\n");
  ExpectDefaults(Load());
}

TEST_F(SettingsStoreTest, UserStoreIsKorvalleIniInTheConfigFolder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  ModuleData saved;
  saved.IntervalTM = 3000;
  saved.SaveSettings();
  EXPECT_TRUE(QFile::exists(dir_.filePath("Korvalle.ini")));

  ModuleData md;
  md.LoadSettings();
  EXPECT_EQ(md.IntervalTM, 3000);
}

}  // namespace
