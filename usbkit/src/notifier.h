// The toolkit's notification thread: runs queued jobs (attach and detach handlers) one at a time,
// in the order they were posted, never on the caller's thread.
#ifndef USBKIT_SRC_NOTIFIER_H
#define USBKIT_SRC_NOTIFIER_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace usbkit {

class Notifier {
 public:
  Notifier() = default;
  ~Notifier();
  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;

  void Start();
  // Drops the jobs not yet started, waits for the running one and joins the thread.
  void Stop();
  // Queues a job; ignored when the thread is not running.
  void Post(std::function<void()> job);
  // Waits until every job posted before the call has run (returns at once on the thread itself).
  void WaitIdle();
  bool OnThread() const;

 private:
  void Run();

  mutable std::mutex mu_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> jobs_;
  bool running_ = false;
  bool stopping_ = false;
  bool busy_ = false;
  std::thread thread_;
  std::thread::id thread_id_;
};

}  // namespace usbkit

#endif
