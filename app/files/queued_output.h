// An output to a descriptor the program does not own (standard output or standard error: a pipe,
// a terminal, a file) that never holds up the thread that offers to it. What is offered waits in a
// bounded buffer in memory, and a thread of its own writes it out as fast as the reader takes it.
// A reader that falls behind costs only what does not fit: the offer is refused and the caller
// decides what that means. A reader that has gone ends the output with its error (EPIPE), never
// with a signal. At the end, what still waits gets a bounded time to go out; a reader that has
// stalled cannot keep the process alive.
//
// The descriptor's flags are left as they are (a terminal shares them with the user's shell): the
// thread waits with poll() and writes at most one pipe buffer's worth at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QueuedOutput {
 public:
  // The text written for offers that were refused, once the reader has taken what waited; given
  // how many offers were refused since the last such text.
  using DropNote = std::function<std::string(uint64_t refused)>;

  // Writes to fd with room for capacity bytes; dropNote may be empty (nothing is written for
  // refused offers then). fd stays open at the end.
  QueuedOutput(int fd, size_t capacity, DropNote dropNote = {});
  // Finish(0) unless finished before.
  ~QueuedOutput();
  QueuedOutput(const QueuedOutput&) = delete;
  QueuedOutput& operator=(const QueuedOutput&) = delete;

  // Takes all of bytes, or nothing. Refused when they do not fit beside what waits, when the
  // output has ended, and, once an offer was refused, until the reader has taken half of the
  // buffer: a reader that keeps falling behind sees a few long gaps rather than many short ones.
  // Never waits for the reader; may be called from any thread.
  bool Offer(std::string_view bytes);

  // The errno that ended the output (EPIPE: the reader has gone), 0 while it is open.
  int Failure() const;
  // Bytes the descriptor has taken so far.
  uint64_t Written() const;

  // Waits up to timeoutMs for everything that waits to be written, then ends the writer thread;
  // every later offer is refused. True when everything offered was written.
  bool Finish(int timeoutMs);

 private:
  struct State;
  static void Run(const std::shared_ptr<State>& state);

  // Shared with the writer thread, which a write that the reader never lets finish may outlive
  // this object.
  std::shared_ptr<State> state_;
  bool finished_ = false;
};
