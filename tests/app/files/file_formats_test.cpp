// The list of file formats at its seams: a format with a reader reads back what its writer wrote,
// the bytes a recording publishes are those a save writes, the streaming writer writes what the
// whole-file writer writes, and --convert finds each of its formats by its extension.
#include "files/file_formats.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "core/module_data.h"
#include "file_bytes.h"
#include "files/analysis_csv.h"
#include "files/data_file.h"

namespace {

// A record set of two units, one with a hole, a kanji memo line and a unit-paced interval.
void Fill(ModuleData& md) {
  md.Record.StartTime = QStringLiteral("2026/12/8 5:03:35");
  md.Record.MemoText[0] = QStringLiteral("炉の温度");
  md.Record.IntervalTM = 2000;
  md.Record.Units[0].MflagID = true;
  md.Record.Units[0].ConnectID = 4;
  md.Record.Units[2].MflagID = true;
  md.Record.Units[2].ConnectID = 1;
  for (int32_t k = 0; k < 300; ++k) {
    md.Record.Units[0].Data[k] = 20.0f + 0.125f * static_cast<float>(k);
    md.Record.Units[2].Data[k] = k == 7 ? RecordSet::NoData : 900.0f - static_cast<float>(k);
  }
  md.Record.Units[0].DataCount = md.Record.Units[2].DataCount = md.Record.SampleCount = 300;
  md.Record.UpdateAllMaxMin();
}

// The reader of a format, where the program has one.
bool ReadBack(FileFormatId id, const QString& path, ModuleData& md) {
  if (id != FileFormatId::DataFile) return false;
  return ReadDataFile(md, path) == ReadResult::Read;
}

TEST(FileFormatsTest, EachFormatWithAReaderReadsBackWhatItsWriterWrote) {
  QTemporaryDir dir;
  ModuleData written;
  Fill(written);
  int readers = 0;
  for (const FileFormat& format : FileFormats()) {
    if (!format.write) continue;
    SCOPED_TRACE(format.extension.toStdString());
    const QString path = dir.filePath(QStringLiteral("run.") + format.extension);
    QString reason;
    ASSERT_TRUE(format.write(written.Record, path, &reason)) << reason.toStdString();
    // A recording's file holds what a save of the same record set holds.
    if (format.encode) {
      EXPECT_EQ(format.encode(written.Record), FileBytes(path));
    }

    ModuleData read;
    if (!ReadBack(format.id, path, read)) continue;
    ++readers;
    EXPECT_EQ(read.Record.StartTime, written.Record.StartTime);
    EXPECT_EQ(read.Record.MemoText, written.Record.MemoText);
    EXPECT_EQ(read.Record.IntervalTM, written.Record.IntervalTM);
    EXPECT_EQ(read.Record.SampleCount, written.Record.SampleCount);
    for (int u = 0; u < RecordSet::kUnits; ++u) {
      EXPECT_EQ(read.Record.Units[u].MflagID, written.Record.Units[u].MflagID) << u;
      EXPECT_EQ(read.Record.Units[u].ConnectID, written.Record.Units[u].ConnectID) << u;
      for (int32_t k = 0; k < written.Record.SampleCount; ++k) {
        ASSERT_EQ(read.Record.Units[u].Data[k], written.Record.Units[u].Data[k]) << u << " " << k;
      }
    }
  }
  EXPECT_EQ(readers, 1);
}

TEST(FileFormatsTest, AStreamWritesWhatTheWholeFileWriterWrites) {
  ModuleData md;
  Fill(md);
  for (const FileFormat& format : FileFormats()) {
    if (!format.openStream) continue;
    AnalysisTable table;
    ASSERT_TRUE(AnalysisTableOf(md.Record, table, nullptr));
    std::string streamed;
    const std::unique_ptr<RecordSetStream> stream = format.openStream(table);
    stream->AppendHead(streamed);
    // In uneven pieces, as a running measurement or a long export hands them over.
    for (int32_t from = 0; from < md.Record.SampleCount; from += 7) {
      stream->AppendRows(streamed, md.Record, from, std::min(md.Record.SampleCount, from + 7));
    }
    EXPECT_EQ(stream->RowCount(), md.Record.SampleCount);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("whole.") + format.extension);
    ASSERT_TRUE(format.write(md.Record, path, nullptr));
    EXPECT_EQ(streamed, FileBytes(path).toStdString());
  }
}

TEST(FileFormatsTest, ConvertFindsEachOfItsFormatsByItsExtension) {
  for (const FileFormat& format : FileFormats()) {
    if (!format.converted) continue;
    EXPECT_EQ(ConvertFormatFor(QStringLiteral("/d/out.") + format.extension.toUpper()), &format)
        << format.extension.toStdString();
  }
  EXPECT_EQ(ConvertFormatFor(QStringLiteral("/d/out.txt")), nullptr);
}

}  // namespace
