#include "hotplug.h"

#include <atomic>
#include <utility>

namespace usbkit {

namespace {

// Tokens are unique in the process, so a handle of an earlier driver handle never resolves.
uintptr_t NextToken() {
  static std::atomic<uintptr_t> counter{0};
  return 0x10000 + 0x10 * (counter.fetch_add(1) + 1);
}

WDU_DEVICE_HANDLE ToHandle(uintptr_t token) {
  return reinterpret_cast<WDU_DEVICE_HANDLE>(token);
}

}  // namespace

Hotplug::Hotplug(std::vector<UsbkitMatch> match, const UsbkitEvents& events)
    : match_(std::move(match)), events_(events) {}

Hotplug::~Hotplug() {
  Stop();
}

void Hotplug::Start() {
  notifier_.Start();
}

void Hotplug::Stop() {
  notifier_.Stop();
  std::lock_guard<std::mutex> lock(mu_);
  sessions_.clear();
  by_key_.clear();
}

bool Hotplug::Arrived(uint64_t key, const DeviceIdentity& identity) {
  if (!MatchesTable(match_, identity)) return false;
  uintptr_t token = NextToken();
  {
    std::lock_guard<std::mutex> lock(mu_);
    Session session;
    session.key = key;
    session.info.vendor_id = identity.vendor_id;
    session.info.product_id = identity.product_id;
    session.info.bus_number = identity.bus_number;
    session.info.device_address = identity.device_address;
    sessions_[token] = session;
    by_key_[key] = token;
  }
  notifier_.Post([this, token] { RunAttach(token); });
  return true;
}

void Hotplug::Departed(uint64_t key) {
  std::lock_guard<std::mutex> lock(mu_);
  auto found = by_key_.find(key);
  if (found == by_key_.end()) return;
  uintptr_t token = found->second;
  by_key_.erase(found);
  auto session = sessions_.find(token);
  if (session == sessions_.end()) return;
  session->second.present = false;
  if (session->second.state == State::kRefused) {
    sessions_.erase(session);
    return;
  }
  // Queued behind the attach job, so the detach handler sees the attach handler's verdict.
  notifier_.Post([this, token] { RunDetach(token); });
}

bool Hotplug::Resolve(WDU_DEVICE_HANDLE handle, uint64_t* key) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto found = sessions_.find(reinterpret_cast<uintptr_t>(handle));
  if (found == sessions_.end()) return false;
  const Session& s = found->second;
  if (!s.present || (s.state != State::kAttaching && s.state != State::kAccepted)) return false;
  *key = s.key;
  return true;
}

void Hotplug::RunAttach(uintptr_t token) {
  UsbkitDeviceInfo info;
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto found = sessions_.find(token);
    if (found == sessions_.end()) return;
    if (!found->second.present) {
      sessions_.erase(found);
      return;
    }
    found->second.state = State::kAttaching;
    info = found->second.info;
  }
  bool taken = events_.on_attach != nullptr &&
               events_.on_attach(ToHandle(token), &info, events_.user_data) != 0;
  std::lock_guard<std::mutex> lock(mu_);
  auto found = sessions_.find(token);
  if (found == sessions_.end()) return;
  found->second.state = taken ? State::kAccepted : State::kRefused;
}

void Hotplug::RunDetach(uintptr_t token) {
  bool tell = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto found = sessions_.find(token);
    if (found == sessions_.end()) return;
    tell = found->second.state == State::kAccepted;
    sessions_.erase(found);
  }
  if (tell && events_.on_detach != nullptr) events_.on_detach(ToHandle(token), events_.user_data);
}

}  // namespace usbkit
