// A follower given the range of a tick or poll writes exactly the samples of that range.
#include <unistd.h>

#include "session/sample_stream.h"
#include "session_rig.h"

namespace sessiontest {
namespace {

// The sample numbers of the table's rows in text.
std::vector<qint64> RowNumbers(const QByteArray& text) {
  std::vector<qint64> numbers;
  for (const QByteArray& line : text.split('\n')) {
    if (line.isEmpty() || line.startsWith('#') || line.startsWith("time,")) continue;
    numbers.push_back(line.split(',')[2].toLongLong());
  }
  return numbers;
}

TEST_F(SessionTest, TheStreamWritesTheRowsTheRangeCompletesAndNoMore) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  Configure({0, 1}, false, 10, false);
  md_.Record.StartTime = QStringLiteral("2026/12/8 5:3:35");
  // The record set holds more than the ranges hand on: the stream takes only what it is given.
  for (int i = 0; i < 2; ++i) {
    for (int32_t k = 0; k < 6; ++k) md_.Record.Units[i].Data[k] = 20.0f + k;
    md_.Record.Units[i].DataCount = 6;
  }
  md_.Record.SampleCount = 6;
  {
    SampleStream stream(session_, md_, fds[1]);
    emit session_.started();
    // Unit 1 lags: only the rows both units reached are complete.
    StoredSamples first;
    first.to = {3, 2, 0, 0};
    emit session_.samplesStored(md_.Record, first);
    StoredSamples second;
    second.from = first.to;
    second.to = {5, 4, 0, 0};
    emit session_.samplesStored(md_.Record, second);
    stream.Finish(10000);
  }
  ::close(fds[1]);
  QByteArray text;
  char buf[65536];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, n);
  ::close(fds[0]);
  EXPECT_EQ(RowNumbers(text), (std::vector<qint64>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace sessiontest
