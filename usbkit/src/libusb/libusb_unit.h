// One opened USB device of the libusb back end: its handle with interface 0 claimed, the
// transfer type of each endpoint, and the transfers now in flight on it.
//
// Transfers are submitted asynchronously and completed by the back end's event thread, so that a
// unit that goes away can cancel what is in flight: every transfer on a gone unit fails at once
// and no caller waits beyond its own time-out. The object is shared: the back end holds it while
// the device is present, and each transfer holds it while it runs, so the handle is closed only
// after the last transfer has returned.
#ifndef USBKIT_SRC_LIBUSB_LIBUSB_UNIT_H
#define USBKIT_SRC_LIBUSB_LIBUSB_UNIT_H

#include <libusb.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace usbkit {

class LibusbUnit {
 public:
  // Takes over an open handle whose interface 0 is claimed.
  explicit LibusbUnit(libusb_device_handle* handle);
  ~LibusbUnit();
  LibusbUnit(const LibusbUnit&) = delete;
  LibusbUnit& operator=(const LibusbUnit&) = delete;

  // Opens the device and claims interface 0. Returns the libusb error code of the step that
  // failed (LIBUSB_ERROR_ACCESS when the device node may not be opened).
  static int Open(libusb_device* device, std::unique_ptr<LibusbUnit>* unit);

  // One transfer on the pipe (an endpoint address; 0 is the control pipe, which needs the
  // eight-byte setup packet). Returns 0 or USBKIT_STATUS_FAILED.
  uint32_t Transfer(uint32_t pipe, uint32_t direction, void* buffer, uint32_t length,
                    uint32_t* transferred, const uint8_t* setup_packet, uint32_t timeout_ms);
  // Clears a halt of the pipe's endpoint.
  uint32_t ResetPipe(uint32_t pipe);

  // The device has gone (or the back end is closing): cancels the transfers in flight and fails
  // every later one. Safe to call from a libusb callback.
  void MarkGone();
  bool Gone() const;

 private:
  struct Pending;
  static void LIBUSB_CALL OnTransferDone(libusb_transfer* transfer);
  uint32_t Run(libusb_transfer* transfer, Pending* pending);
  uint32_t ControlTransfer(uint32_t direction, void* buffer, uint32_t length, uint32_t* transferred,
                           const uint8_t* setup_packet, uint32_t timeout_ms);
  void ReadEndpoints();

  libusb_device_handle* const handle_;
  std::map<uint8_t, uint8_t> endpoint_types_;  // endpoint address -> LIBUSB_TRANSFER_TYPE_*
  mutable std::mutex mu_;
  std::condition_variable done_;
  std::set<libusb_transfer*> in_flight_;
  bool gone_ = false;
};

}  // namespace usbkit

#endif
