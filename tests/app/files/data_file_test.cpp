#include "files/data_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/cp932.h"
#include "core/module_data.h"

namespace {

QByteArray Hex(const char* hex) {
  return QByteArray::fromHex(hex);
}

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// The 84-byte example file: 2008/12/25 9:30:15, no memo, unit-paced 1000 ms, no averaging,
// thermocouple, unit 0 type K, one sample of 23.5 on unit 0.
const QByteArray kExample =
    Hex("1200"
        "323030382f31322f323520393a33303a3135"
        "00000000000000000000"
        "0000"
        "e8030000"
        "0000"
        "0000"
        "0400000000000000"
        "01000000"
        "0000000000803740"
        "00000000f069f8c0"
        "00000000f069f8c0"
        "00000000f069f8c0");

class DataFileTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

  // A record set in memory that a failed read must leave alone.
  void FillMemory() {
    md_.StartTime = QStringLiteral("2024/1/2 3:4:5");
    md_.MemoText[0] = QStringLiteral("前の測定");
    md_.IntervalTM = 2000;
    md_.Units[1].MflagID = true;
    md_.Units[1].ConnectID = 7;
    for (int k = 0; k < 3; ++k) {
      md_.Units[0].Data[k] = 10.0f + k;
      md_.Units[1].Data[k] = 20.0f + k;
    }
    md_.Units[0].DataCount = md_.Units[1].DataCount = 3;
    md_.SampleCount = 3;
  }

  void ExpectMemoryUnchanged() const {
    EXPECT_EQ(md_.SampleCount, 3);
    EXPECT_EQ(md_.StartTime, QStringLiteral("2024/1/2 3:4:5"));
    EXPECT_EQ(md_.MemoText[0], QStringLiteral("前の測定"));
    EXPECT_EQ(md_.IntervalTM, 2000);
    EXPECT_EQ(md_.Units[1].ConnectID, 7);
    EXPECT_TRUE(md_.Units[1].MflagID);
    EXPECT_EQ(md_.Units[0].DataCount, 3);
    EXPECT_EQ(md_.Units[1].Data[2], 22.0f);
  }

  QTemporaryDir dir_;
  ModuleData md_;
};

TEST_F(DataFileTest, ExampleFileBothWays) {
  md_.StartTime = QStringLiteral("2008/12/25 9:30:15");
  md_.Units[0].ConnectID = 4;
  md_.Units[0].Data[0] = 23.5f;
  md_.Units[0].DataCount = 1;
  md_.SampleCount = 1;
  const QString path = Path("example.mx1");
  ASSERT_TRUE(SaveDataFile(md_, path));
  EXPECT_EQ(FileBytes(path).toHex(), kExample.toHex());

  ModuleData read;
  read.TimerType = true;
  read.Units[2].MflagID = true;
  WriteBytes(path, kExample);
  QString error;
  ASSERT_TRUE(ReadDataFile(read, path, &error)) << error.toStdString();
  EXPECT_EQ(read.StartTime, QStringLiteral("2008/12/25 9:30:15"));
  EXPECT_FALSE(read.TimerType);
  EXPECT_EQ(read.IntervalTM, 1000);
  EXPECT_EQ(read.Units[0].ConnectID, 4);
  EXPECT_EQ(read.SampleCount, 1);
  EXPECT_TRUE(read.Units[0].MflagID);
  EXPECT_FALSE(read.Units[2].MflagID);
  EXPECT_EQ(read.Units[0].Data[0], 23.5f);
  EXPECT_EQ(read.Units[0].DataCount, 1);
  EXPECT_EQ(read.Units[1].DataCount, 0);
}

TEST_F(DataFileTest, MemoOfTwoKanjiIsItsByteCountAndFourBytes) {
  md_.StartTime.clear();
  md_.MemoText[2] = QStringLiteral("温度");
  const QByteArray header = EncodeDataHeader(md_, 0);
  EXPECT_EQ(header.size(), 2 * 6 + 22 + 4);
  EXPECT_EQ(header.mid(6, 6).toHex(), Hex("040089b79378").toHex());

  // A header without records reads back with no samples and the memo intact.
  const QString path = Path("memo.mx1");
  WriteBytes(path, header);
  ModuleData read;
  ASSERT_TRUE(ReadDataFile(read, path));
  EXPECT_EQ(read.MemoText[2], QStringLiteral("温度"));
  EXPECT_EQ(read.SampleCount, 0);
}

TEST_F(DataFileTest, RoundTripOfUnusedUnitsHolesAndAPartialRecord) {
  // Units 0 and 2 used; unit 2's first reading failed, unit 0 has a hole at sample 2.
  md_.Units[2].MflagID = true;
  md_.Units[0].Data[0] = 1.5f;
  md_.Units[0].Data[2] = -3.25f;
  md_.Units[2].Data[1] = 7.0f;
  md_.Units[2].Data[2] = 8.0f;
  md_.Units[0].DataCount = md_.Units[2].DataCount = 3;
  md_.SampleCount = 3;
  md_.DataAverage = true;
  md_.IntervalTM = 250;
  const QString path = Path("holes.mx1");
  ASSERT_TRUE(SaveDataFile(md_, path));
  QByteArray bytes = FileBytes(path);
  ASSERT_EQ(bytes.size(), 34 + 19 + 3 * 32);
  // A trailing piece of a record and a header count that says otherwise are both ignored.
  bytes.replace(bytes.size() - 96 - 4, 4, Hex("63000000"));
  WriteBytes(path, bytes + Hex("0000000000"));

  ModuleData read;
  ASSERT_TRUE(ReadDataFile(read, path));
  EXPECT_EQ(read.SampleCount, 3);
  EXPECT_TRUE(read.Units[0].MflagID);
  EXPECT_FALSE(read.Units[1].MflagID);
  EXPECT_FALSE(read.Units[2].MflagID);    // first sample was NoData
  EXPECT_EQ(read.Units[0].DataCount, 2);  // only the slots with values
  EXPECT_EQ(read.Units[2].DataCount, 2);
  EXPECT_EQ(read.Units[0].Data[1], ModuleData::NoData);
  EXPECT_EQ(read.Units[0].Data[2], -3.25f);
  EXPECT_EQ(read.Units[2].Data[2], 8.0f);
  EXPECT_EQ(read.Units[1].Data[0], ModuleData::NoData);
  EXPECT_EQ(read.Units[0].Data[3], ModuleData::NoData);
  // The averaging count follows the file's settings.
  EXPECT_EQ(read.AverageCount, 25);
}

TEST_F(DataFileTest, FailedReadsKeepTheRecordSetAndSayWhy) {
  FillMemory();
  const QByteArray header = EncodeDataHeader(md_, 0);
  struct Case {
    const char* name;
    QByteArray bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"inside-header.mx1", header.left(header.size() - 1), "ヘッダーの途中"},
      {"string-past-end.mx1", Hex("1200") + "2008/12/25", "ヘッダーの途中"},
      {"too-many.mx1", header + QByteArray(88001 * 32, '\0'), "88000"},
      {"bad-value.mx1", header + Hex("000000000000f07f") + QByteArray(24, '\0'), "1 番目"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = Path(c.name);
    WriteBytes(path, c.bytes);
    QString error;
    EXPECT_FALSE(ReadDataFile(md_, path, &error));
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
    ExpectMemoryUnchanged();
  }
  QString error;
  EXPECT_FALSE(ReadDataFile(md_, Path("missing.mx1"), &error));
  EXPECT_EQ(error, QStringLiteral("ファイルが見つかりません。"));
  EXPECT_FALSE(ReadDataFile(md_, dir_.path(), &error));
  if (geteuid() != 0) {
    const QString locked = Path("locked.mx1");
    WriteBytes(locked, kExample);
    chmod(locked.toLocal8Bit().constData(), 0);
    EXPECT_FALSE(ReadDataFile(md_, locked, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("開けません")));
  }
  ExpectMemoryUnchanged();
  // Exactly 88000 records still fit.
  WriteBytes(Path("full.mx1"), header + QByteArray(88000 * 32, '\0'));
  ASSERT_TRUE(ReadDataFile(md_, Path("full.mx1")));
  EXPECT_EQ(md_.SampleCount, 88000);
}

TEST_F(DataFileTest, FailedSavesKeepTheOldFile) {
  FillMemory();
  const QString path = Path("old.mx1");
  WriteBytes(path, "old contents");
  // A memo that code page 932 cannot hold is refused, naming the character.
  md_.MemoText[3] = QStringLiteral("caf\u00e9");
  QString error;
  EXPECT_FALSE(SaveDataFile(md_, path, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("メモ4"))) << error.toStdString();
  EXPECT_TRUE(error.contains(QStringLiteral("\u00e9")));
  EXPECT_FALSE(SaveCsvFile(md_, path, &error));
  EXPECT_EQ(FileBytes(path), QByteArray("old contents"));
  md_.MemoText[3] = QString(32768, QChar(0x3042));  // 65536 bytes
  EXPECT_FALSE(SaveDataFile(md_, path, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("長すぎます")));
  md_.MemoText[3].clear();

  EXPECT_FALSE(SaveCsvFile(md_, Path("no-such-dir/x.csv"), &error));
  EXPECT_FALSE(QFile::exists(Path("no-such-dir")));
  if (geteuid() != 0) {
    chmod(dir_.path().toLocal8Bit().constData(), 0555);
    EXPECT_FALSE(SaveDataFile(md_, path, &error));
    EXPECT_FALSE(SaveCsvFile(md_, Path("new.csv"), &error));
    chmod(dir_.path().toLocal8Bit().constData(), 0755);
    EXPECT_EQ(FileBytes(path), QByteArray("old contents"));
    EXPECT_FALSE(QFile::exists(Path("new.csv")));
  }
  // A successful save over a longer file leaves exactly the new contents.
  WriteBytes(path, QByteArray(10000, 'x'));
  ASSERT_TRUE(SaveDataFile(md_, path));
  EXPECT_EQ(FileBytes(path).size(), EncodeDataHeader(md_, 3).size() + 3 * 32);
}

TEST(Cp932Test, InvalidBytesDecodeToReplacementCharacters) {
  // A lone trail-less lead byte at the end, an undefined byte, then valid text again.
  EXPECT_EQ(DecodeCp932(Hex("41fd89b793784281")), QStringLiteral("A\uFFFD温度B\uFFFD"));
  QByteArray out;
  QString bad;
  EXPECT_TRUE(EncodeCp932(QStringLiteral("〜①髙"), out));
  EXPECT_EQ(out.toHex(), Hex("81608740fbfc").toHex());
  EXPECT_FALSE(EncodeCp932(QStringLiteral("温\U0001F600度"), out, &bad));
  EXPECT_EQ(bad, QStringLiteral("\U0001F600"));
  EXPECT_TRUE(out.isEmpty());
}

}  // namespace
