// The queue on disk: what an earlier run left goes out from its acknowledged position, in order,
// before what comes after; a queue in use is not shared; a queue that cannot grow (a real
// file-size limit) is told once, holds only whole records and never refuses the caller.
#include "publish/disk_queue.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "child_process.h"
#include "publish/publisher.h"

namespace {

// The payloads of every record from the acknowledged position on.
std::vector<std::string> Unsent(DiskQueue& queue) {
  std::vector<std::string> payloads;
  DiskQueue::Record record;
  for (DiskQueue::Position at = queue.Acked(); queue.Read(at, record); at = record.end) {
    payloads.push_back(record.payload);
  }
  return payloads;
}

bool Append(DiskQueue& queue, const std::string& text, uint16_t count = 1) {
  return queue.Append(0, count, text.data(), text.size());
}

TEST(DiskQueueTest, ALeftQueueGoesOnFromItsAcknowledgedPositionInOrder) {
  QTemporaryDir root;
  QString error;
  {
    DiskQueue queue;
    ASSERT_TRUE(queue.Open(root.path(), QStringLiteral("dest"), &error));
    for (const char* text : {"a", "bb", "ccc", "dddd"}) ASSERT_TRUE(Append(queue, text, 2));
    DiskQueue::Record first, second;
    ASSERT_TRUE(queue.Read(queue.Acked(), first));
    ASSERT_TRUE(queue.Read(first.end, second));
    queue.Acknowledge(second.end, 4);
    EXPECT_EQ(queue.Waiting(), 4);

    // Held by this run: a second recorder to the same destination uses a queue of its own.
    DiskQueue other;
    ASSERT_TRUE(other.Open(root.path(), QStringLiteral("dest"), &error));
    EXPECT_TRUE(other.Folder().endsWith(QStringLiteral("/dest-2")));
    EXPECT_TRUE(Unsent(other).empty());
  }
  DiskQueue next;
  ASSERT_TRUE(next.Open(root.path(), QStringLiteral("dest"), &error));
  EXPECT_EQ(next.Folder(), root.path() + QStringLiteral("/dest"));
  EXPECT_EQ(next.Waiting(), 4);
  ASSERT_TRUE(Append(next, "eeeee"));
  EXPECT_EQ(Unsent(next), (std::vector<std::string>{"ccc", "dddd", "eeeee"}));
}

TEST(DiskQueueTest, AQueueThatCannotGrowIsToldOnceAndKeepsWholeRecords) {
  QTemporaryDir root;
  std::vector<RunSample> rows(1);
  rows[0].values = {20.5f, 21.5f, 22.5f, 23.5f};
  // A destination that is down, so that everything stays queued.
  std::vector<PublishUrl> urls{ParsePublishUrl(QStringLiteral("influx://127.0.0.1:9/lab"))};
  const int queued = RunWithFileSizeLimit(4096, [&] {
    Publisher publisher(urls, root.path());
    QSignalSpy messages(&publisher, &Publisher::message);
    QString error;
    if (!publisher.Open(&error)) return 200;
    RunBegin run;
    run.units = {{0, "K", ""}, {1, "K", ""}, {2, "K", ""}, {3, "K", ""}};
    publisher.Begin(run);
    for (int k = 0; k < 100; ++k) {
      rows[0].sample = k;
      rows[0].timeMs = 1000 + 10 * k;
      publisher.Rows(rows);
    }
    const int64_t waiting = publisher.Statuses()[0].waiting;
    publisher.Finish(0);
    if (messages.size() != 1) return 201;
    if (!messages[0][0].toString().contains(QStringLiteral("書き込めません"))) return 202;
    return waiting > 0 && waiting < 100 ? static_cast<int>(waiting) : 203;
  });
  ASSERT_LT(queued, 100);
  DiskQueue queue;
  QString error;
  ASSERT_TRUE(queue.Open(root.path(), urls[0].SafeName(), &error));
  EXPECT_EQ(queue.Waiting(), queued);
  const std::vector<std::string> records = Unsent(queue);
  ASSERT_EQ(static_cast<int>(records.size()), queued);
  // Each one whole: the four lines of its row.
  for (const std::string& record : records) {
    EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), 4) << record;
  }
}

}  // namespace
