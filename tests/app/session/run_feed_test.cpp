// The run's plain rows against the analysis CSV the stream writes of the same run: across a
// change of record set, the rows, their numbers, times and
// values and the marks are the stream's.
#include "session/run_feed.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <charconv>

#include "files/local_time_text.h"
#include "session/sample_stream.h"
#include "session_rig.h"

namespace sessiontest {
namespace {

// The rows as the stream's table writes them, but for elapsed_s and the mark field.
std::string AsTableRows(const RunBegin& run, const std::vector<RunSample>& rows) {
  LocalTimeText time;
  std::string out;
  for (const RunSample& row : rows) {
    time.Append(out, row.timeMs);
    out += ',' + std::to_string(row.sample);
    for (const RunUnit& unit : run.units) {
      out += ',';
      if (!row.values[unit.unit]) continue;
      char text[32];
      out.append(text, std::to_chars(text, text + sizeof text, *row.values[unit.unit]).ptr);
    }
    out += '\n';
  }
  return out;
}

// The stream's rows without elapsed_s and the mark field.
std::string StreamRows(const QByteArray& csv) {
  std::string out;
  for (const QByteArray& line : csv.split('\n')) {
    if (line.isEmpty() || line.startsWith('#') || line.startsWith("time,")) continue;
    QList<QByteArray> fields = line.split(',');
    fields.removeAt(1);
    fields.removeLast();
    out += fields.join(',').toStdString() + '\n';
  }
  return out;
}

TEST_F(SessionTest, TheFeedsRowsAndMarksAreTheStreamsAcrossARecordSetChange) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, false, 10, false);
  md_.Record.Units[2].Name = QStringLiteral("炉内");
  const QString path = dir_.filePath(QStringLiteral("stream.csv"));
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  SampleStream stream(session_, md_, fd);
  RunFeed feed(session_, md_);
  RunBegin run;
  std::vector<RunSample> rows;
  std::vector<RunMark> marks;
  std::vector<int32_t> files;
  int ends = 0;
  QObject::connect(&feed, &RunFeed::begun, [&](const RunBegin& b) { run = b; });
  QObject::connect(&feed, &RunFeed::rows, [&](const std::vector<RunSample>& r) {
    rows.insert(rows.end(), r.begin(), r.end());
  });
  QObject::connect(&feed, &RunFeed::marked, [&](const RunMark& m) { marks.push_back(m); });
  QObject::connect(&feed, &RunFeed::fileChanged, [&](int32_t n) { files.push_back(n); });
  QObject::connect(&feed, &RunFeed::ended, [&] { ++ends; });
  Start();
  // One record set of 88000 samples at 30 a poll, and some of the next.
  for (int k = 0; k < 2934 + 40; ++k) {
    Tick();
    if (k == 100) session_.AddMark(QStringLiteral("first"));
    if (k == 2960) session_.AddMark(QString());
  }
  session_.StopMeasure();
  stream.Finish(5000);
  ::close(fd);

  ASSERT_EQ(run.units.size(), 2u);
  EXPECT_EQ(run.units[1].unit, 2);
  EXPECT_EQ(run.units[1].type, QStringLiteral("K"));
  EXPECT_EQ(run.units[1].name, QStringLiteral("炉内"));
  EXPECT_EQ(files, std::vector<int32_t>{2});
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(feed.RowCount(), static_cast<int64_t>(rows.size()));
  QFile csv(path);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const std::string expected = StreamRows(csv.readAll());
  EXPECT_GT(rows.size(), size_t{RecordSet::MaxData});
  EXPECT_TRUE(AsTableRows(run, rows) == expected) << "the feed's rows differ from the stream's";
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[0].text, QStringLiteral("first"));
  EXPECT_GT(marks[1].sample, int64_t{RecordSet::MaxData});
  for (const RunMark& mark : marks) {
    ASSERT_LT(mark.sample, static_cast<int64_t>(rows.size()));
    EXPECT_EQ(mark.timeMs, rows[static_cast<size_t>(mark.sample)].timeMs);
  }
}

}  // namespace
}  // namespace sessiontest
