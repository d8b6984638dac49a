// The libusb back end: real devices on the USB bus.
//
// Three threads serve one driver handle:
// - the event thread runs libusb's event handling: it completes transfers and receives hotplug
//   callbacks, which only queue the arrival or departure (no transfer may run inside them);
// - the notification thread (Notifier) opens an arrived device, claims interface 0 and runs the
//   attach handler, and runs the detach handler when the device has gone;
// - without hotplug support in libusb, a poll thread compares the device list once a second.
// Transfers run on the caller's thread and wait for the event thread to complete them.
#ifndef USBKIT_SRC_LIBUSB_LIBUSB_BACKEND_H
#define USBKIT_SRC_LIBUSB_LIBUSB_BACKEND_H

#include <libusb.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "backend.h"
#include "libusb/libusb_unit.h"
#include "notifier.h"

namespace usbkit {

class LibusbBackend : public Backend {
 public:
  LibusbBackend() = default;
  ~LibusbBackend() override;

  uint32_t Init(const std::vector<UsbkitMatch>& match, const UsbkitEvents& events) override;
  void Uninit() override;
  uint32_t Transfer(WDU_DEVICE_HANDLE device, uint32_t pipe, uint32_t direction, uint32_t options,
                    void* buffer, uint32_t length, uint32_t* transferred,
                    const uint8_t* setup_packet, uint32_t timeout_ms) override;
  uint32_t ResetPipe(WDU_DEVICE_HANDLE device, uint32_t pipe) override;
  void WaitIdle() override { notifier_.WaitIdle(); }

 private:
  // A counted reference to a libusb device; dropping a queued job gives it back.
  using DeviceRef = std::shared_ptr<libusb_device>;
  static DeviceRef Ref(libusb_device* device);

  // A device reported to the attach handler: present while it is in the table.
  struct Entry {
    libusb_device* device = nullptr;
    std::shared_ptr<LibusbUnit> unit;
    bool accepted = false;
  };

  static int LIBUSB_CALL OnHotplug(libusb_context* context, libusb_device* device,
                                   libusb_hotplug_event event, void* self);
  void QueueArrival(libusb_device* device);
  void QueueDeparture(libusb_device* device);
  void Attach(const DeviceRef& device);
  void Detach(libusb_device* device);
  bool Wanted(libusb_device* device, DeviceIdentity* identity) const;
  std::shared_ptr<LibusbUnit> Find(WDU_DEVICE_HANDLE handle) const;
  void RunEvents();
  void RunPoll();
  void StopThreads();

  libusb_context* context_ = nullptr;
  std::vector<UsbkitMatch> match_;
  UsbkitEvents events_{};
  libusb_hotplug_callback_handle hotplug_handle_ = 0;
  bool hotplug_registered_ = false;

  std::atomic<bool> stop_events_{false};
  std::thread event_thread_;

  std::mutex poll_mu_;
  std::condition_variable poll_wake_;
  bool stop_poll_ = false;
  std::thread poll_thread_;
  std::map<libusb_device*, DeviceRef> polled_;  // poll thread only

  mutable std::mutex mu_;
  std::map<uintptr_t, Entry> entries_;
  // WDU_Uninit has begun: units are refused, so an attach handler still probing ends at once.
  bool closing_ = false;
  // Units opened and not yet closed, those held only by a transfer still returning included:
  // WDU_Uninit waits for them before it ends the libusb context their handles belong to.
  std::mutex live_mu_;
  std::condition_variable live_cv_;
  int live_units_ = 0;
  Notifier notifier_;
};

}  // namespace usbkit

#endif
