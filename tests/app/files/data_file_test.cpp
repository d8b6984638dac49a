#include "files/data_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/cp932.h"
#include "core/module_data.h"
#include "file_bytes.h"

namespace {

QByteArray Hex(const char* hex) {
  return QByteArray::fromHex(hex);
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

  QTemporaryDir dir_;
  ModuleData md_;
};

TEST_F(DataFileTest, ExampleFileBothWays) {
  md_.Record.StartTime = QStringLiteral("2008/12/25 9:30:15");
  md_.Record.Units[0].ConnectID = 4;
  md_.Record.Units[0].Data[0] = 23.5f;
  md_.Record.Units[0].DataCount = 1;
  md_.Record.SampleCount = 1;
  const QString path = Path("example.mx1");
  ASSERT_TRUE(SaveDataFile(md_.Record, path));
  EXPECT_EQ(FileBytes(path).toHex(), kExample.toHex());

  // Read into a record set of other settings, the example saves again byte for byte.
  ModuleData read;
  read.Record.TimerType = true;
  read.Record.IntervalTM = 5;
  read.Record.Units[2].MflagID = true;
  WriteBytes(path, kExample);
  QString error;
  ASSERT_EQ(ReadDataFile(read, path, &error), ReadResult::Read) << error.toStdString();
  EXPECT_TRUE(read.Record.Units[0].MflagID);
  EXPECT_FALSE(read.Record.Units[2].MflagID);
  EXPECT_EQ(read.Record.Units[0].DataCount, 1);
  ASSERT_TRUE(SaveDataFile(read.Record, Path("again.mx1")));
  EXPECT_EQ(FileBytes(Path("again.mx1")).toHex(), kExample.toHex());
}

TEST_F(DataFileTest, MemoOfTwoKanjiIsItsByteCountAndFourBytes) {
  md_.Record.StartTime.clear();
  md_.Record.MemoText[2] = QStringLiteral("温度");
  const QByteArray header = EncodeDataHeader(md_.Record, 0);
  EXPECT_EQ(header.size(), 2 * 6 + 22 + 4);
  EXPECT_EQ(header.mid(6, 6).toHex(), Hex("040089b79378").toHex());
}

TEST_F(DataFileTest, RoundTripOfUnusedUnitsHolesAndAPartialRecord) {
  // Units 0 and 2 used; unit 2's first reading failed, unit 0 has a hole at sample 2.
  md_.Record.Units[2].MflagID = true;
  md_.Record.Units[0].Data[0] = 1.5f;
  md_.Record.Units[0].Data[2] = -3.25f;
  md_.Record.Units[2].Data[1] = 7.0f;
  md_.Record.Units[2].Data[2] = 8.0f;
  md_.Record.Units[0].DataCount = md_.Record.Units[2].DataCount = 3;
  md_.Record.SampleCount = 3;
  const QString path = Path("holes.mx1");
  ASSERT_TRUE(SaveDataFile(md_.Record, path));
  QByteArray bytes = FileBytes(path);
  ASSERT_EQ(bytes.size(), 34 + 19 + 3 * 32);
  // A trailing piece of a record and a header count that says otherwise are both ignored.
  bytes.replace(bytes.size() - 96 - 4, 4, Hex("63000000"));
  WriteBytes(path, bytes + Hex("0000000000"));

  ModuleData read;
  ASSERT_EQ(ReadDataFile(read, path), ReadResult::Read);
  EXPECT_EQ(read.Record.SampleCount, 3);
  EXPECT_TRUE(read.Record.Units[0].MflagID);
  EXPECT_FALSE(read.Record.Units[1].MflagID);
  EXPECT_TRUE(read.Record.Units[2].MflagID);  // although its first sample is NoData
  EXPECT_EQ(read.Record.Units[0].Data[1], RecordSet::NoData);
  // Every value in place in the export: a hole is written as NoData, nothing after it is lost.
  QByteArray csv;
  ASSERT_TRUE(EncodeCsv(read.Record, csv));
  EXPECT_TRUE(
      csv.endsWith("1.5,\"\",-99999,\"\"\r\n"
                   "-99999,\"\",7,\"\"\r\n"
                   "-3.25,\"\",8,\"\"\r\n"))
      << csv.toStdString();
}

TEST_F(DataFileTest, FailedReadsSayWhy) {
  const QByteArray header = EncodeDataHeader(md_.Record, 0);
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
  DataFileImage image;
  QString error;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Path(c.name), c.bytes);
    EXPECT_FALSE(ReadDataFileImage(Path(c.name), image, &error));
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
  }
  EXPECT_FALSE(ReadDataFileImage(Path("missing.mx1"), image, &error));
  EXPECT_EQ(error, QStringLiteral("ファイルが見つかりません。"));
  EXPECT_FALSE(ReadDataFileImage(dir_.path(), image, &error));
  // Exactly 88000 records still fit.
  WriteBytes(Path("full.mx1"), header + QByteArray(88000 * 32, '\0'));
  ASSERT_TRUE(ReadDataFileImage(Path("full.mx1"), image));
  EXPECT_EQ(image.Records, 88000);
}

TEST_F(DataFileTest, FailedSavesKeepTheOldFile) {
  md_.Record.SampleCount = 3;
  const QString path = Path("old.mx1");
  WriteBytes(path, "old contents");
  // A memo that code page 932 cannot hold is refused, naming the character.
  md_.Record.MemoText[3] = QStringLiteral("caf\u00e9");
  QString error;
  EXPECT_FALSE(SaveDataFile(md_.Record, path, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("メモ4"))) << error.toStdString();
  EXPECT_TRUE(error.contains(QStringLiteral("\u00e9")));
  EXPECT_EQ(FileBytes(path), QByteArray("old contents"));
  md_.Record.MemoText[3] = QString(32768, QChar(0x3042));  // 65536 bytes
  EXPECT_FALSE(SaveCsvFile(md_.Record, path, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("長すぎます")));
  md_.Record.MemoText[3].clear();

  // A successful save over a longer file leaves exactly the new contents.
  WriteBytes(path, QByteArray(10000, 'x'));
  ASSERT_TRUE(SaveDataFile(md_.Record, path));
  EXPECT_EQ(FileBytes(path).size(), EncodeDataHeader(md_.Record, 3).size() + 3 * 32);
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
