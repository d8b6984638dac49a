// Opens the toolkit on an emulated bus and records what its attach and detach handlers saw. The
// attach handler does what the driver's does: reset pipe 0x81, probe the ID byte, and take the
// unit (or refuse it, when the test says so).
#ifndef TESTS_USBKIT_LIBUSB_TOOLKIT_FIXTURE_H
#define TESTS_USBKIT_LIBUSB_TOOLKIT_FIXTURE_H

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "emulated_bus.h"
#include "scripted_unit.h"
#include "usbkit.h"

namespace usbkit_test {

constexpr uint32_t kWritePipe = 2;
constexpr uint32_t kReadPipe = 0x83;

struct AttachCall {
  WDU_DEVICE_HANDLE handle = nullptr;
  UsbkitDeviceInfo info{};
  std::thread::id thread;
  uint32_t reset_status = 1;
  uint32_t probe_status = 1;
  uint8_t id_byte = 0;
};

struct DetachCall {
  WDU_DEVICE_HANDLE handle = nullptr;
  std::thread::id thread;
};

// The toolkit's handlers with a record of their calls; opens and closes the toolkit.
class HandlerLog {
 public:
  ~HandlerLog() { Close(); }

  void Open() {
    UsbkitMatch match{0x0BA0, 0x000F, 0, 0, 0, 0, 0};
    UsbkitEvents events{&HandlerLog::OnAttach, &HandlerLog::OnDetach, nullptr, this};
    ASSERT_EQ(WDU_Init(&driver_, &match, 1, &events, 1), USBKIT_STATUS_SUCCESS);
  }
  void Close() {
    if (driver_ != nullptr) WDU_Uninit(driver_);
    driver_ = nullptr;
  }
  void SetAccept(bool accept) { accept_ = accept; }

  // Waits (five seconds, unless told) until at least count attach or detach calls were
  // recorded.
  bool WaitAttaches(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    return WaitFor([&] { return attaches_.size() >= count; }, limit);
  }
  bool WaitDetaches(size_t count) {
    return WaitFor([&] { return detaches_.size() >= count; }, std::chrono::seconds(5));
  }
  std::vector<AttachCall> Attaches() {
    std::lock_guard<std::mutex> lock(mu_);
    return attaches_;
  }
  std::vector<DetachCall> Detaches() {
    std::lock_guard<std::mutex> lock(mu_);
    return detaches_;
  }
  // The handle of the first unit taken, after waiting for its attach.
  WDU_DEVICE_HANDLE AttachedHandle() {
    if (!WaitAttaches(1)) return nullptr;
    return Attaches()[0].handle;
  }

 private:
  template <typename Pred>
  bool WaitFor(Pred pred, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mu_);
    return changed_.wait_for(lock, limit, pred);
  }
  static int OnAttach(WDU_DEVICE_HANDLE handle, const UsbkitDeviceInfo* info, void* self);
  static void OnDetach(WDU_DEVICE_HANDLE handle, void* self);

  std::atomic<bool> accept_{true};
  WDU_DRIVER_HANDLE driver_ = nullptr;
  std::mutex mu_;
  std::condition_variable changed_;
  std::vector<AttachCall> attaches_;
  std::vector<DetachCall> detaches_;
};

inline uint32_t Write(WDU_DEVICE_HANDLE h, std::vector<uint8_t> bytes) {
  uint32_t moved = 0;
  return WDU_Transfer(h, kWritePipe, USBKIT_WRITE, 0, bytes.data(),
                      static_cast<uint32_t>(bytes.size()), &moved, nullptr, 30000);
}

inline uint32_t Read(WDU_DEVICE_HANDLE h, uint8_t* buffer, uint32_t length, uint32_t* moved,
                     uint32_t timeout_ms = 30000) {
  return WDU_Transfer(h, kReadPipe, USBKIT_READ, 0, buffer, length, moved, nullptr, timeout_ms);
}

// Does what the driver's attach handler does: reset pipe 0x81 and probe the ID byte.
inline int HandlerLog::OnAttach(WDU_DEVICE_HANDLE handle, const UsbkitDeviceInfo* info,
                                void* self) {
  auto* log = static_cast<HandlerLog*>(self);
  AttachCall call;
  call.handle = handle;
  call.info = *info;
  call.thread = std::this_thread::get_id();
  call.reset_status = WDU_ResetPipe(handle, 0x81);
  call.probe_status = Write(handle, {0xF0});
  uint8_t reply[2] = {0, 0};
  uint32_t moved = 0;
  if (call.probe_status == 0) call.probe_status = Read(handle, reply, 2, &moved);
  call.id_byte = reply[1];
  std::lock_guard<std::mutex> lock(log->mu_);
  log->attaches_.push_back(call);
  log->changed_.notify_all();
  return log->accept_ && call.probe_status == 0 ? 1 : 0;
}

inline void HandlerLog::OnDetach(WDU_DEVICE_HANDLE handle, void* self) {
  auto* log = static_cast<HandlerLog*>(self);
  std::lock_guard<std::mutex> lock(log->mu_);
  log->detaches_.push_back({handle, std::this_thread::get_id()});
  log->changed_.notify_all();
}

// The toolkit on an emulated bus, for what only the libusb back end has: URBs, endpoint types,
// halted endpoints, device addresses.
class LibusbToolkitTest : public ::testing::Test, public HandlerLog {
 protected:
  void SetUp() override {
    unsetenv("USBKIT_SIMULATE");
    bus_ = std::make_unique<EmulatedBus>();
  }
  void TearDown() override {
    Close();
    bus_.reset();
    unsetenv("USBKIT_LIBUSB_POLL");
  }

  ScriptedUnit* PlugUnit(uint8_t id_byte, const UnitOptions& options = UnitOptions()) {
    auto unit = std::make_unique<ScriptedUnit>(id_byte);
    ScriptedUnit* raw = unit.get();
    last_unit_ = bus_->Plug(std::move(unit), options);
    return raw;
  }

  std::unique_ptr<EmulatedBus> bus_;
  int last_unit_ = 0;
};

}  // namespace usbkit_test

#endif
