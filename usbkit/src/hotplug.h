// Turns a back end's device arrivals and departures into attach and detach notifications on the
// notification thread, and hands out the device handles.
//
// A handle is an opaque token, never a pointer to memory, so it stays safe to pass in after the
// device has gone: it then simply no longer resolves and transfers on it fail. Every arrival gets
// a new token, so a re-plugged device never revives an old handle.
#ifndef USBKIT_SRC_HOTPLUG_H
#define USBKIT_SRC_HOTPLUG_H

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "backend.h"
#include "notifier.h"

namespace usbkit {

class Hotplug {
 public:
  Hotplug(std::vector<UsbkitMatch> match, const UsbkitEvents& events);
  ~Hotplug();
  Hotplug(const Hotplug&) = delete;
  Hotplug& operator=(const Hotplug&) = delete;

  void Start();
  // Stops the notification thread and forgets every device; no handler runs afterwards.
  void Stop();

  // A device appeared; key is the back end's own name for it while it is present. Returns false
  // (and reports nothing) when the match table does not take it.
  bool Arrived(uint64_t key, const DeviceIdentity& identity);
  // The device of key has gone: its handle stops resolving at once, and the detach handler runs
  // on the notification thread when the attach handler had accepted it.
  void Departed(uint64_t key);
  // The key behind a handle whose device is present and is being attached or was accepted.
  bool Resolve(WDU_DEVICE_HANDLE handle, uint64_t* key) const;
  void WaitIdle() { notifier_.WaitIdle(); }

 private:
  enum class State { kPending, kAttaching, kAccepted, kRefused };
  struct Session {
    uint64_t key = 0;
    State state = State::kPending;
    bool present = true;
    UsbkitDeviceInfo info{};
  };

  void RunAttach(uintptr_t token);
  void RunDetach(uintptr_t token);

  const std::vector<UsbkitMatch> match_;
  const UsbkitEvents events_;
  mutable std::mutex mu_;
  std::map<uintptr_t, Session> sessions_;
  std::map<uint64_t, uintptr_t> by_key_;
  Notifier notifier_;
};

}  // namespace usbkit

#endif
