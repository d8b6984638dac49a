// A continuous recording whose folder fails: the full record set goes to the spare folder, or,
// when no folder takes it (the file-size limit of the process), stays in memory and is written
// with the next file. The measurement never stops and no sample is lost.
#include <sys/resource.h>

#include <QFile>
#include <csignal>

#include "files/publish.h"
#include "session_rig.h"

namespace sessiontest {
namespace {

constexpr int32_t kFull = RecordSet::MaxData;

class RecordFilesTest : public SessionTest {
 protected:
  // Fills all but the last two slots of the record set with tag + slot, as if measured.
  void FillAlmostFull(float tag) {
    UnitRecord& unit = md_.Record.Units[0];
    for (int32_t k = 0; k < kFull - 2; ++k) unit.Data[k] = tag + static_cast<float>(k);
    unit.DataCount = kFull - 2;
    md_.Record.SampleCount = kFull - 2;
  }

  // The file holds the filled slots of tag, then measured values.
  static void ExpectFilled(const QString& path, float tag) {
    const DataFileImage image = Read(path);
    ASSERT_EQ(image.Records, kFull);
    for (int32_t k = 0; k < kFull - 2; ++k) ASSERT_EQ(image.Data[0][k], tag + k) << k;
    for (int32_t k = kFull - 2; k < kFull; ++k) EXPECT_GT(image.Data[0][k], 50.0f) << k;
  }
};

TEST_F(RecordFilesTest, AFileNoFolderTakesWaitsInMemoryAndTheMeasurementGoesOn) {
  Plug(0);
  Configure({0}, true, 1000, false);
  // The recording folder's place is taken by a plain file.
  QFile blocker(Folder());
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Start();
  const QString name1 = RecordFileName(session_.RunStart(), 1);
  FillAlmostFull(1000);
  Tick();
  Tick();
  ASSERT_EQ(session_.FileNumber(), 2);
  ASSERT_EQ(written_.size(), 1u);
  EXPECT_EQ(written_[0].toStdString(), QDir(Spare()).filePath(name1).toStdString());
  ExpectFilled(written_[0], 1000);
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_TRUE(warnings_[0].contains(QDir::toNativeSeparators(Spare())));

  // The disk fills up: neither folder takes the next file.
  FillAlmostFull(5000);
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Tick();
  Tick();
  Tick();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(md_.Measuring);
  EXPECT_EQ(session_.FileNumber(), 3);
  EXPECT_EQ(recording_.PendingFiles(), 1);
  EXPECT_EQ(written_.size(), 1u);
  ASSERT_EQ(warnings_.size(), 2u);
  EXPECT_TRUE(warnings_[1].contains(QStringLiteral("メモリー")));
  EXPECT_TRUE(QDir(Spare())
                  .entryList({QStringLiteral(".korvale-*")}, QDir::Files | QDir::Hidden)
                  .isEmpty());

  // Room again, and the folder is back: the stop writes the waiting file, then the last one.
  ASSERT_TRUE(blocker.remove());
  session_.StopMeasure();
  EXPECT_EQ(recording_.PendingFiles(), 0);
  ASSERT_EQ(written_.size(), 3u);
  EXPECT_EQ(written_[1].toStdString(),
            QDir(Folder()).filePath(RecordFileName(session_.RunStart(), 2)).toStdString());
  ExpectFilled(written_[1], 5000);
  const DataFileImage last = Read(written_[2]);
  EXPECT_EQ(written_[2].toStdString(),
            QDir(Folder()).filePath(RecordFileName(session_.RunStart(), 3)).toStdString());
  EXPECT_EQ(last.Records, 1);
  EXPECT_EQ(warnings_.size(), 2u);
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(RecordFilesTest, ANameTakenByAnotherFileIsNeverReplaced) {
  ASSERT_TRUE(QDir().mkpath(Folder()));
  const QString taken = QDir(Folder()).filePath(QStringLiteral("20261208-050335-0001.mx1"));
  QFile other(taken);
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("other");
  other.close();
  int error = 0;
  const QString path =
      CreateNewFile(Folder(), QStringLiteral("20261208-050335-0001.mx1"), "new", &error);
  EXPECT_EQ(path.toStdString(),
            QDir(Folder()).filePath(QStringLiteral("20261208-050335-0001-2.mx1")).toStdString());
  QFile written(path);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), QByteArray("new"));
  ASSERT_TRUE(other.open(QIODevice::ReadOnly));
  EXPECT_EQ(other.readAll(), QByteArray("other"));
}

}  // namespace
}  // namespace sessiontest
