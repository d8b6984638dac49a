// The times of --stream's rows on the hand-driven clock: their times count from the start instant
// to the millisecond, not from its whole second, in every record set of a continuous recording.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "session/sample_stream.h"
#include "session_rig.h"

namespace sessiontest {
namespace {

constexpr int32_t kFull = RecordSet::MaxData;

// The times of the stream's rows, in ms since the epoch.
std::vector<qint64> RowTimes(const QByteArray& out) {
  std::vector<qint64> times;
  bool header = true;
  for (const QByteArray& line : out.split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (header) {
      header = false;
      continue;
    }
    const QString time = QString::fromUtf8(line.left(line.indexOf(',')));
    times.push_back(QDateTime::fromString(time, Qt::ISODateWithMs).toMSecsSinceEpoch());
  }
  return times;
}

TEST_F(SessionTest, StreamTimesCountFromTheStartInstantToTheMillisecond) {
  const QByteArray path = QFile::encodeName(dir_.filePath(QStringLiteral("stream.csv")));
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  SampleStream stream(session_, md_, fd);
  Plug(0);
  Configure({0}, true, 1000, false);
  Start();
  Tick();
  // The rest of the first record set as if measured; the next tick fills it, the one after
  // takes the first sample of the second.
  UnitRecord& unit = md_.Record.Units[0];
  for (int32_t k = 1; k < kFull - 1; ++k) unit.Data[k] = static_cast<float>(k);
  unit.DataCount = kFull - 1;
  md_.Record.SampleCount = kFull - 1;
  Tick();
  Tick();
  ASSERT_EQ(session_.FileNumber(), 2);
  session_.StopMeasure();
  // The rows go out through the stream's own writer: all of them before the descriptor closes.
  stream.Finish(30000);
  ::close(fd);

  QFile file(QFile::decodeName(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const std::vector<qint64> times = RowTimes(file.readAll());
  ASSERT_EQ(static_cast<int32_t>(times.size()), kFull + 1);
  const qint64 start = session_.RunStartMs();
  EXPECT_EQ(times[0], start + 1000);
  EXPECT_EQ(times[kFull - 1], start + qint64{kFull} * 1000);
  EXPECT_EQ(times[kFull], start + qint64{kFull + 1} * 1000);
}

}  // namespace
}  // namespace sessiontest
