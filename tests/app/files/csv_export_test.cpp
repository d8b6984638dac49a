#include <gtest/gtest.h>

#include <QStringList>

#include "core/cp932.h"
#include "core/module_data.h"
#include "files/data_file.h"

namespace {

// The export's lines, decoded from code page 932; every line must end with CR LF.
QStringList CsvLines(const ModuleData& md) {
  QByteArray bytes;
  EXPECT_TRUE(EncodeCsv(md.Record, bytes));
  EXPECT_TRUE(bytes.endsWith("\r\n"));
  QStringList lines = DecodeCp932(bytes).split(QStringLiteral("\r\n"));
  lines.removeLast();
  EXPECT_FALSE(lines.join(QString()).contains(QLatin1Char('\n')));
  return lines;
}

TEST(CsvExportTest, HeaderLinesAndSampleLines) {
  ModuleData md;
  md.Record.StartTime = QStringLiteral("2008/12/25 9:30:15");
  md.Record.MemoText[1] = QStringLiteral("炉 \"A\", B");
  md.Record.Units[0].ConnectID = 4;
  md.Record.Units[1].ConnectID = 9;
  md.Record.Units[3].ConnectID = 7;
  md.Record.Units[2].MflagID = true;
  md.Record.Units[0].Data[0] = 23.5f;
  md.Record.Units[2].Data[0] = -12.125f;
  md.Record.Units[0].Data[1] = RecordSet::NoData;
  md.Record.Units[2].Data[1] = 0.5f;
  md.Record.Units[0].Data[2] = 1e-5f;
  md.Record.Units[0].DataCount = 3;
  md.Record.Units[2].DataCount = 2;  // sample 3 lies beyond unit 2's count
  md.Record.Units[1].Data[0] = 99;   // unused unit: never written
  md.Record.SampleCount = 3;

  const QStringList lines = CsvLines(md);
  const QStringList expected = {
      QStringLiteral("\"熱電対温度測定ユニット\""),
      QStringLiteral("\"測定日\",\"2008/12/25 9:30:15\""),
      QStringLiteral("\"メモ１\",\"\""),
      QStringLiteral("\"メモ２\",\"炉 \"\"A\"\", B\""),
      QStringLiteral("\"メモ３\",\"\""),
      QStringLiteral("\"メモ４\",\"\""),
      QStringLiteral("\"メモ５\",\"\""),
      QStringLiteral("\"測定間隔(msec)\",1000"),
      QStringLiteral("\"データ平均化処理\",\"無し\""),
      QStringLiteral("\"種類\",\"熱電対\""),
      QStringLiteral("\"使用ユニットの種類\""),
      QStringLiteral("\"K熱電対\",\"\",\"B熱電対\",\"T熱電対\""),
      QStringLiteral("\"測定データ\""),
      QStringLiteral("\"データ数\",3"),
      QStringLiteral("\"ID0\",\"ID1\",\"ID2\",\"ID3\""),
      QStringLiteral("23.5,\"\",-12.125,\"\""),
      QStringLiteral("-99999,\"\",0.5,\"\""),
      QStringLiteral("1E-05,\"\",\"\",\"\""),
  };
  EXPECT_EQ(lines, expected);

  md.Record.TimerType = true;
  md.Record.IntervalTM = 5000;
  md.Record.DataAverage = true;
  md.Record.MeasKind = true;
  const QStringList timed = CsvLines(md);
  EXPECT_EQ(timed[7], QStringLiteral("\"測定間隔(sec)\",5"));
  EXPECT_EQ(timed[8], QStringLiteral("\"データ平均化処理\",\"有り\""));
  EXPECT_EQ(timed[9], QStringLiteral("\"種類\",\"電圧値\""));
  md.Record.IntervalTM = 1500;
  EXPECT_EQ(CsvLines(md)[7], QStringLiteral("\"測定間隔(sec)\",1.5"));
}

}  // namespace
