// The two publishing operations against a disk that refuses: a file-size limit on a child process,
// and a folder whose place a plain file holds. Whatever fails, no existing file changes and no
// part of a new one is left for anybody to find.
#include "files/publish.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <string>

#include "child_process.h"
#include "file_bytes.h"

namespace {

class PublishTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return QDir(dir_.path()).filePath(name); }
  // The folder's files, hidden ones too, by name.
  std::string Entries() const {
    return QDir(dir_.path())
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)
        .join(QLatin1Char(' '))
        .toStdString();
  }

  QTemporaryDir dir_;
  const QByteArray big_ = QByteArray(64 * 1024, 'x');
};

TEST_F(PublishTest, AReplaceBeyondTheFileSizeLimitLeavesTheTargetAndNothingElse) {
  const QString target = Path("run.csv");
  WriteBytes(target, "previous");
  ASSERT_EQ(::symlink("run.csv", QFile::encodeName(Path("link.csv")).constData()), 0);
  const int result = RunWithFileSizeLimit(4096, [&] {
    QString reason;
    // Through the link, as a whole and in pieces.
    if (ReplaceFile(Path("link.csv"), big_, &reason)) return 1;
    if (!reason.contains(QStringLiteral("ファイルの大きさの上限"))) return 2;
    ReplacingFile pieces;
    if (!pieces.Open(target, &reason)) return 3;
    for (int i = 0; i < 4; ++i) pieces.Write(big_.constData(), static_cast<size_t>(big_.size()));
    if (pieces.Commit(&reason)) return 4;
    return 0;
  });
  EXPECT_EQ(result, 0) << "1/4: reported as written, 2: the reason, 3: not opened";
  EXPECT_EQ(FileBytes(target), QByteArray("previous"));
  EXPECT_EQ(Entries(), "link.csv run.csv");

  // With room, the link's file gets the bytes and the link stays a link.
  QString reason;
  ASSERT_TRUE(ReplaceFile(Path("link.csv"), big_, &reason)) << reason.toStdString();
  EXPECT_EQ(FileBytes(target), big_);
  EXPECT_TRUE(QFileInfo(Path("link.csv")).isSymLink());
}

TEST_F(PublishTest, ACreateNeverReplacesAndLeavesNothingWhenTheDiskRefuses) {
  const QString folder = dir_.path();
  WriteBytes(Path("run.mx1"), "other");
  const int result = RunWithFileSizeLimit(4096, [&] {
    int error = 0;
    if (!CreateNewFile(folder, QStringLiteral("run.mx1"), big_, &error).isEmpty()) return 1;
    return error == EFBIG ? 0 : 2;
  });
  EXPECT_EQ(result, 0) << "1: reported as written, 2: another errno";
  EXPECT_EQ(Entries(), "run.mx1");

  // A name that is taken is never replaced: the file gets the next free one.
  int error = 0;
  QStringList named;
  const QString path =
      CreateNewFile(folder, QStringLiteral("run.mx1"), "new", &error,
                    [&named](const QString& p) { named << QFileInfo(p).fileName(); });
  EXPECT_EQ(path.toStdString(), Path("run-2.mx1").toStdString());
  EXPECT_EQ(named, QStringList({"run.mx1", "run-2.mx1"}));
  EXPECT_EQ(FileBytes(Path("run.mx1")), QByteArray("other"));
  EXPECT_EQ(FileBytes(path), QByteArray("new"));

  // A folder whose place a plain file holds takes nothing.
  EXPECT_TRUE(CreateNewFile(Path("run.mx1"), QStringLiteral("a.mx1"), "new", &error).isEmpty());
  EXPECT_EQ(error, ENOTDIR);
  EXPECT_EQ(Entries(), "run-2.mx1 run.mx1");
}

}  // namespace
