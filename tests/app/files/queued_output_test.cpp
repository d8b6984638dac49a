// The output that never holds up its caller, on real pipes: a reader that stops reading costs only
// the offers that do not fit, and is told how many once it catches up; a reader that goes ends the
// output with EPIPE and not the process; the end waits for a stalled reader only so long.
#include "files/queued_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <string>
#include <thread>

namespace {

// A pipe with the kernel's buffer at one page; both ends are closed at the end.
struct SmallPipe {
  SmallPipe() {
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ::fcntl(fds[0], F_SETPIPE_SZ, 4096);
  }
  ~SmallPipe() {
    CloseReader();
    ::close(fds[1]);
  }
  int Reader() const { return fds[0]; }
  int Writer() const { return fds[1]; }
  void CloseReader() {
    if (fds[0] >= 0) ::close(fds[0]);
    fds[0] = -1;
  }
  // Reads until text holds `until`, or 10 s passed.
  std::string ReadUntil(const std::string& until) {
    std::string text;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    QElapsedTimer clock;
    clock.start();
    char buf[4096];
    while (text.find(until) == std::string::npos && clock.elapsed() < 10000) {
      const ssize_t n = ::read(fds[0], buf, sizeof buf);
      if (n > 0) {
        text.append(buf, static_cast<size_t>(n));
      } else {
        QThread::msleep(5);
      }
    }
    return text;
  }
  int fds[2] = {-1, -1};
};

std::string Line(int k) {
  return "line " + std::to_string(k) + std::string(90, '.') + "\n";
}

TEST(QueuedOutputTest, AStalledReaderLosesOnlyWhatDoesNotFitAndIsToldHowMuchOnceItCatchesUp) {
  SmallPipe pipe;
  QueuedOutput out(pipe.Writer(), 16384,
                   [](uint64_t refused) { return "dropped " + std::to_string(refused) + "\n"; });
  // Nobody reads: the offers go on without waiting until the buffer is full, then are refused.
  int accepted = 0;
  size_t acceptedBytes = 0;
  for (; out.Offer(Line(accepted)); ++accepted) acceptedBytes += Line(accepted).size();
  // Refused only once the buffer is full, and then for good: the pipe holds one page at most.
  EXPECT_GT(acceptedBytes + Line(accepted).size(), 16384u);
  EXPECT_LT(acceptedBytes, 16384u + 4096u);
  int refused = 1;
  for (int k = 0; k < 9; ++k) refused += out.Offer("late\n") ? 0 : 1;
  EXPECT_EQ(refused, 10);

  // The reader takes up again: everything accepted comes out in order, then the count.
  std::string expected;
  for (int k = 0; k < accepted; ++k) expected += Line(k);
  EXPECT_EQ(pipe.ReadUntil("dropped 10\n"), expected + "dropped 10\n");
  // And the output goes on.
  ASSERT_TRUE(out.Offer("again\n"));
  EXPECT_EQ(pipe.ReadUntil("again\n"), "again\n");
  EXPECT_TRUE(out.Finish(5000));
}

TEST(QueuedOutputTest, AReaderThatGoesEndsTheOutputWithEpipeNotTheProcess) {
  std::signal(SIGPIPE, SIG_DFL);
  SmallPipe pipe;
  pipe.CloseReader();
  QueuedOutput out(pipe.Writer(), 4096);
  ASSERT_TRUE(out.Offer("nobody reads this\n"));
  QElapsedTimer clock;
  clock.start();
  while (out.Failure() == 0 && clock.elapsed() < 10000) QThread::msleep(5);
  EXPECT_EQ(out.Failure(), EPIPE);
  EXPECT_FALSE(out.Offer("more\n"));
  EXPECT_FALSE(out.Finish(5000));
}

TEST(QueuedOutputTest, TheEndWaitsForAStalledReaderOnlyItsTimeAndDrainsOneThatReads) {
  {
    SmallPipe pipe;
    QueuedOutput out(pipe.Writer(), 65536);
    while (out.Offer(Line(0))) {
    }
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(out.Finish(300));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_FALSE(out.Offer("after the end\n"));
  }
  {
    // A reader that takes up again while the end waits gets everything.
    SmallPipe pipe;
    QueuedOutput out(pipe.Writer(), 65536);
    std::string expected;
    for (int k = 0; out.Offer(Line(k)); ++k) expected += Line(k);
    std::string text;
    std::thread reader([&] { text = pipe.ReadUntil(expected); });
    EXPECT_TRUE(out.Finish(10000));
    reader.join();
    EXPECT_EQ(text, expected);
  }
}

}  // namespace
