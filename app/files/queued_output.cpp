#include "files/queued_output.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "files/fd_write.h"

namespace {

// How long the writer waits for the reader before it looks whether it is to end.
constexpr int kPollMs = 50;
// Once a stalled write is given up, how long the writer thread gets to notice and end.
constexpr auto kLeaveTime = std::chrono::milliseconds(4 * kPollMs);

}  // namespace

struct QueuedOutput::State {
  int fd = -1;
  size_t capacity = 0;
  DropNote dropNote;

  std::mutex mutex;
  std::condition_variable wake;     // to the writer: something to write, or the end
  std::condition_variable changed;  // to Finish: written, failed or ended
  std::string buffer;               // waiting bytes from head on
  size_t head = 0;
  bool writing = false;    // a piece taken from the buffer is being written
  bool refusing = false;   // an offer was refused and the reader has not caught up since
  uint64_t refused = 0;    // offers refused since the last drop note
  bool finishing = false;  // no more offers
  bool giveUp = false;     // the writer is to end, written or not
  bool ended = false;      // the writer thread has left
  int failure = 0;
  uint64_t written = 0;

  size_t Waiting() const { return buffer.size() - head; }
  // Appends the drop note for the offers refused so far.
  void AppendDropNote() {
    if (refused == 0 || !dropNote) return;
    buffer += dropNote(refused);
    refused = 0;
  }
};

QueuedOutput::QueuedOutput(int fd, size_t capacity, DropNote dropNote)
    : state_(std::make_shared<State>()) {
  state_->fd = fd;
  state_->capacity = capacity;
  state_->dropNote = std::move(dropNote);
  // The thread holds the state of its own, so that it may outlive this object.
  std::thread([state = state_] { Run(state); }).detach();
}

QueuedOutput::~QueuedOutput() {
  if (!finished_) Finish(0);
}

bool QueuedOutput::Offer(std::string_view bytes) {
  State& s = *state_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.finishing || s.failure != 0) return false;
    const size_t waiting = s.Waiting();
    if ((s.refusing && waiting > s.capacity / 2) || waiting + bytes.size() > s.capacity) {
      s.refusing = true;
      ++s.refused;
      return false;
    }
    s.refusing = false;
    s.AppendDropNote();
    s.buffer.append(bytes.data(), bytes.size());
  }
  s.wake.notify_one();
  return true;
}

int QueuedOutput::Failure() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->failure;
}

uint64_t QueuedOutput::Written() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->written;
}

bool QueuedOutput::Finish(int timeoutMs) {
  finished_ = true;
  State& s = *state_;
  std::unique_lock<std::mutex> lock(s.mutex);
  s.finishing = true;
  s.wake.notify_one();
  s.changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [&s] {
    return (s.Waiting() == 0 && !s.writing) || s.failure != 0 || s.ended;
  });
  const bool all = s.Waiting() == 0 && !s.writing && s.failure == 0;
  s.giveUp = true;
  s.wake.notify_one();
  // A thread inside a write that the reader never lets finish is left to the end of the process;
  // it owns its state.
  s.changed.wait_for(lock, kLeaveTime, [&s] { return s.ended; });
  return all;
}

namespace {

// Waits until fd takes bytes (or reports its end) or kPollMs have passed; false on time-out.
bool WaitWritable(int fd) {
  pollfd p{fd, POLLOUT, 0};
  const int n = ::poll(&p, 1, kPollMs);
  return n > 0;
}

}  // namespace

void QueuedOutput::Run(const std::shared_ptr<State>& state) {
  // Signals go to the program's other threads; a SIGPIPE of this thread's write stays pending
  // here instead of ending the process, and the write fails with EPIPE.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);

  State& s = *state;
  char piece[PIPE_BUF];
  std::unique_lock<std::mutex> lock(s.mutex);
  for (;;) {
    s.wake.wait(lock, [&s] { return s.Waiting() > 0 || s.finishing || s.giveUp; });
    if (s.giveUp || s.failure != 0 || s.Waiting() == 0) break;
    // A piece of at most one pipe buffer: a pipe that poll() reports writable takes it whole.
    const size_t n = std::min(s.Waiting(), sizeof piece);
    s.buffer.copy(piece, n, s.head);
    s.writing = true;
    lock.unlock();
    size_t done = 0;
    int error = 0;
    if (WaitWritable(s.fd)) error = WriteSomeToFd(s.fd, piece, n, &done);
    lock.lock();
    s.writing = false;
    if (error == EAGAIN) error = 0;
    if (error != 0) {
      s.failure = error;
    } else if (done > 0) {
      s.head += done;
      s.written += static_cast<uint64_t>(done);
      if (s.Waiting() == 0) {
        s.buffer.clear();
        s.head = 0;
        // The reader has taken everything: the offers it missed are told now.
        s.refusing = false;
        s.AppendDropNote();
      } else if (s.head >= s.capacity / 2) {
        s.buffer.erase(0, s.head);
        s.head = 0;
      }
    }
    s.changed.notify_all();
  }
  s.ended = true;
  s.changed.notify_all();
}
