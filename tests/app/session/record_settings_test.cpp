// `korvale --record` with settings it cannot use: it refuses to start with exit status 2 and a
// line naming the key, before any folder or file is made.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

class RecordSettingsTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // Runs `korvale --record DIR --for 1s --settings FILE` on the demonstration units with bytes as
  // the settings file; returns the exit code.
  int Record(const QByteArray& bytes) {
    QFile ini(Path(QStringLiteral("settings.ini")));
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(bytes);
    ini.close();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("USBKIT_SIMULATE"), QStringLiteral("demo"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), Path(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVALE_PROGRAM),
            {QStringLiteral("--record"), Path(QStringLiteral("records")), QStringLiteral("--for"),
             QStringLiteral("1s"), QStringLiteral("--settings"), ini.fileName()});
    EXPECT_TRUE(p.waitForFinished(60000));
    err_ = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

  QTemporaryDir dir_;
  QString err_;
};

TEST_F(RecordSettingsTest, UnusableValuesAndJunkRefuseTheRecordingNamingTheKey) {
  struct Case {
    QByteArray settings;
    QString line;  // the start of the line on standard error
  };
  QByteArray junk(4096, '\0');
  for (int i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 251);
  const Case cases[] = {
      {"[MeasInfo]\nIntervalTM=5\n", "korvale: 測定条件に誤りがあります: IntervalTM=5（"},
      {"[MeasInfo]\nMflagID0=zzz\n", "korvale: 測定条件に誤りがあります: MflagID0=zzz（"},
      {"[MeasInfo]\nConnectID2=9\n", "korvale: 測定条件に誤りがあります: ConnectID2=9（"},
      {"[MeasInfo]\nTimerType=True\nDataAverage=True\nIntervalTM=5000\n",
       "korvale: 測定条件に誤りがあります: IntervalTM=5000（"},
      {junk, "korvale: 設定ファイルの形式が正しくありません: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    EXPECT_EQ(Record(c.settings), 2) << err_.toStdString();
    EXPECT_TRUE(err_.startsWith(c.line)) << err_.toStdString();
    EXPECT_FALSE(QDir(Path(QStringLiteral("records"))).exists());
  }
  // Every problem has its line.
  EXPECT_EQ(Record("[MeasInfo]\nMflagID1=maybe\nIntervalTM=ten\n"), 2);
  EXPECT_EQ(err_.count(QStringLiteral("測定条件に誤りがあります")), 2) << err_.toStdString();

  // Usable settings, and absent keys, record.
  EXPECT_EQ(Record("[MeasInfo]\nMflagID1=1\nConnectID1=4\nIntervalTM=10\n"), 0)
      << err_.toStdString();
  EXPECT_EQ(QDir(Path(QStringLiteral("records"))).entryList({QStringLiteral("*.mx1")}).size(), 1);
}

}  // namespace
