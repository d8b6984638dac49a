// The sidecar beside an own data file: the data file itself stays byte for byte as without one,
// --convert copies the sidecar under the new name, --export takes the marks and the exact start
// from it, and a sidecar that is not the data file's is never taken for it.
#include "files/sidecar.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "core/module_data.h"
#include "file_bytes.h"
#include "files/data_file.h"

namespace {

// 2026-12-08 05:03:35.123 in Tokyo.
constexpr int64_t kStartMs = 1796673815123;

int Korvale(const QStringList& args, QString* err = nullptr) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Tokyo"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(KORVALE_PROGRAM), args);
  EXPECT_TRUE(p.waitForFinished(60000));
  if (err) *err = QString::fromLocal8Bit(p.readAllStandardError());
  return p.exitCode();
}

// A measured record set of five samples of unit 0 with names, the exact start and two marks at
// sample 3 (one of a text that needs quoting in a CSV, one of the default text).
void FillMeasured(ModuleData& md) {
  RecordSet& rs = md.Record;
  rs.StartTime = QStringLiteral("2026/12/08 05:03:35");
  rs.IntervalTM = 1000;
  rs.Units[0].MflagID = true;
  rs.Units[0].ConnectID = 4;
  rs.Units[0].Name = QStringLiteral("炉内");
  rs.Units[2].Name = QStringLiteral("未使用");
  for (int k = 0; k < 5; ++k) rs.Units[0].Data[k] = 20.5f + static_cast<float>(k);
  rs.Units[0].DataCount = 5;
  rs.SampleCount = 5;
  rs.StartMs = kStartMs;
  rs.HasStartMs = true;
  rs.AddMark(3, QStringLiteral("扉, \"A\"\n開"));
  rs.AddMark(3, QString());
}

TEST(SidecarTest, ConvertKeepsTheDataFileAndCopiesItsSidecarWhichExportReads) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a.mx1"), b = dir.filePath("b.mx1");
  ModuleData md;
  FillMeasured(md);
  ASSERT_TRUE(SaveDataFile(md.Record, a));
  // The data file is exactly the one written without a sidecar.
  EXPECT_EQ(FileBytes(a), EncodeDataFile(md.Record));

  QString err;
  ASSERT_EQ(Korvale({QStringLiteral("--convert"), a, b}, &err), 0) << err.toStdString();
  EXPECT_EQ(FileBytes(b), FileBytes(a));
  Sidecar copied;
  ASSERT_EQ(ReadSidecar(b, copied), SidecarRead::Read);  // it names b.mx1
  EXPECT_TRUE(copied.hasStart);
  EXPECT_EQ(copied.startMs, kStartMs);
  EXPECT_EQ(copied.names[0], QStringLiteral("炉内"));
  ASSERT_EQ(copied.marks.size(), 2u);
  EXPECT_EQ(copied.marks[0].text, QStringLiteral("扉, \"A\"\n開"));
  EXPECT_EQ(copied.marks[1].number, 2);
  EXPECT_TRUE(FileBytes(SidecarPath(b)).contains("\"samples\": 5,"));

  // The times from the exact start, the names in the header, both marks on sample 3's row.
  const QString csv = dir.filePath("b.csv");
  ASSERT_EQ(Korvale({QStringLiteral("--export"), b, csv}, &err), 0) << err.toStdString();
  const QByteArray text = FileBytes(csv);
  EXPECT_TRUE(text.contains("# ID0: K thermocouple, 炉内\n")) << text.toStdString();
  EXPECT_TRUE(
      text.contains("\ntime,elapsed_s,sample,ID0 炉内 K (°C),mark\n"
                    "2026-12-08T05:03:36.123+09:00,1,0,20.5,\n"
                    "2026-12-08T05:03:37.123+09:00,2,1,21.5,\n"
                    "2026-12-08T05:03:38.123+09:00,3,2,22.5,"
                    "\"扉, \"\"A\"\" 開 / マーク 2\"\n"
                    "2026-12-08T05:03:39.123+09:00,4,3,23.5,\n"))
      << text.toStdString();
}

TEST(SidecarTest, ASidecarThatIsNotTheDataFilesIsNeverTakenForIt) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a.mx1"), c = dir.filePath("c.mx1");
  ModuleData md;
  FillMeasured(md);
  ASSERT_TRUE(SaveDataFile(md.Record, a));

  // Another program copied the data file and its sidecar under a new name: the sidecar names a.
  ASSERT_TRUE(QFile::copy(a, c));
  ASSERT_TRUE(QFile::copy(SidecarPath(a), SidecarPath(c)));
  ModuleData read;
  read.Record.Units[1].Name = QStringLiteral("設定の名前");
  ASSERT_EQ(ReadDataFile(read, c), ReadResult::Read);
  EXPECT_TRUE(read.Record.Marks.empty());
  EXPECT_FALSE(read.Record.HasStartMs);
  for (const UnitRecord& u : read.Record.Units) EXPECT_TRUE(u.Name.isEmpty());

  // A save of a record set with nothing to keep removes the sidecar an earlier save left.
  read.Record.Units[0].Name.clear();
  ASSERT_TRUE(SaveDataFile(read.Record, a));
  EXPECT_FALSE(QFile::exists(SidecarPath(a)));
  ModuleData again;
  ASSERT_EQ(ReadDataFile(again, a), ReadResult::Read);
  EXPECT_TRUE(again.Record.Marks.empty());

  // A sidecar of a later format is refused rather than half read.
  Sidecar sidecar;
  QString why;
  EXPECT_EQ(ParseSidecar("{\"korvale_sidecar\": 2}", QStringLiteral("a.mx1"), sidecar, &why),
            SidecarRead::Refused);
  EXPECT_FALSE(why.isEmpty());
}

}  // namespace
