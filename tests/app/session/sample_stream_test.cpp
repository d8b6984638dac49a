// The stream of a recording whose reader stops reading for a while, on the hand-driven clock: the
// rows that do not fit are dropped, the table's sample numbers jump by exactly what one message
// says was dropped, from the sample and time it names, and the rows go on once the reader is back.
#include "session/sample_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <thread>

#include "session_rig.h"

namespace sessiontest {
namespace {

// A pipe of one page whose reader drains it on a thread of its own once told to.
class LateReader {
 public:
  LateReader() {
    EXPECT_EQ(::pipe2(fds_, O_CLOEXEC), 0);
    ::fcntl(fds_[0], F_SETPIPE_SZ, 4096);
  }
  ~LateReader() {
    CloseWriter();
    if (thread_.joinable()) thread_.join();
    ::close(fds_[0]);
  }
  int Writer() const { return fds_[1]; }
  void Begin() {
    thread_ = std::thread([this] {
      char buf[65536];
      ssize_t n;
      while ((n = ::read(fds_[0], buf, sizeof buf)) > 0) text_.append(buf, n);
    });
  }
  // Everything read until the write end closes.
  QByteArray Text() {
    CloseWriter();
    if (thread_.joinable()) thread_.join();
    return text_;
  }

 private:
  void CloseWriter() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }
  int fds_[2] = {-1, -1};
  QByteArray text_;
  std::thread thread_;
};

TEST_F(SessionTest, RowsAReaderMissesAreCountedOnceAndTheTableJumpsByThem) {
  LateReader reader;
  Plug(0);
  Configure({0}, false, 10, false);
  SampleStream stream(session_, md_, reader.Writer(), 8192);
  QStringList messages;
  QObject::connect(&stream, &SampleStream::message,
                   [&messages](const QString& text) { messages << text; });
  Start();
  // 30 rows a poll, some 1.5 kB: after a few polls neither the pipe nor the buffer takes more.
  for (int k = 0; k < 20; ++k) Tick();
  EXPECT_TRUE(messages.isEmpty());
  // The reader comes back; the next rows are offered until they go out again, the last poll's.
  reader.Begin();
  QElapsedTimer clock;
  clock.start();
  while (messages.isEmpty() && clock.elapsed() < 10000) {
    Tick();
    QThread::msleep(20);
  }
  ASSERT_EQ(messages.size(), 1);
  session_.StopMeasure();
  stream.Finish(10000);
  const QByteArray text = reader.Text();
  EXPECT_EQ(messages.size(), 1) << messages.join('\n').toStdString();

  // The one message: the first row dropped, its time, how many.
  const QRegularExpressionMatch said =
      QRegularExpression(QStringLiteral("サンプル (\\d+)（(\\S+)）から (\\d+) 行"))
          .match(messages[0]);
  ASSERT_TRUE(said.hasMatch()) << messages[0].toStdString();
  const qint64 firstDropped = said.captured(1).toLongLong();
  const qint64 dropped = said.captured(3).toLongLong();
  ASSERT_GT(dropped, 0);

  // The rows: numbers in order with one gap, where and as long as the message says.
  std::vector<qint64> numbers;
  QDateTime beforeGap;
  for (const QByteArray& line : text.split('\n')) {
    if (line.isEmpty() || line.startsWith('#') || line.startsWith("time,")) continue;
    const QList<QByteArray> cells = line.split(',');
    ASSERT_EQ(cells.size(), 4) << line.toStdString();
    numbers.push_back(cells[2].toLongLong());
    if (numbers.back() == firstDropped - 1) {
      beforeGap = QDateTime::fromString(QString::fromLatin1(cells[0]), Qt::ISODateWithMs);
    }
  }
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(numbers.front(), 0);
  int gaps = 0;
  for (size_t k = 1; k < numbers.size(); ++k) {
    if (numbers[k] == numbers[k - 1] + 1) continue;
    ++gaps;
    EXPECT_EQ(numbers[k - 1] + 1, firstDropped);
    EXPECT_EQ(numbers[k] - numbers[k - 1] - 1, dropped);
  }
  EXPECT_EQ(gaps, 1);
  EXPECT_EQ(QDateTime::fromString(said.captured(2), Qt::ISODateWithMs), beforeGap.addMSecs(10));
  // Every sample of the record set is a row or among the dropped ones.
  EXPECT_EQ(numbers.back() + 1, md_.Record.SampleCount);
  EXPECT_EQ(static_cast<qint64>(numbers.size()) + dropped, md_.Record.SampleCount);
}

}  // namespace
}  // namespace sessiontest
