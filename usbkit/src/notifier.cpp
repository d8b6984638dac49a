#include "notifier.h"

#include <utility>

namespace usbkit {

Notifier::~Notifier() {
  Stop();
}

void Notifier::Start() {
  std::lock_guard<std::mutex> lock(mu_);
  if (running_) return;
  running_ = true;
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
  thread_id_ = thread_.get_id();
}

void Notifier::Stop() {
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!running_) return;
    stopping_ = true;
    jobs_.clear();
    thread = std::move(thread_);
  }
  wake_.notify_all();
  if (thread.joinable()) thread.join();
  std::lock_guard<std::mutex> lock(mu_);
  running_ = false;
  busy_ = false;
  thread_id_ = std::thread::id();
  idle_.notify_all();
}

void Notifier::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!running_ || stopping_) return;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void Notifier::WaitIdle() {
  std::unique_lock<std::mutex> lock(mu_);
  if (std::this_thread::get_id() == thread_id_) return;
  idle_.wait(lock, [this] { return !running_ || stopping_ || (jobs_.empty() && !busy_); });
}

bool Notifier::OnThread() const {
  std::lock_guard<std::mutex> lock(mu_);
  return running_ && std::this_thread::get_id() == thread_id_;
}

void Notifier::Run() {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    job();
    lock.lock();
    busy_ = false;
    if (jobs_.empty()) idle_.notify_all();
  }
}

}  // namespace usbkit
