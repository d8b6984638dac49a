// The seam between the toolkit's entry points and the code that reaches devices. WDU_Init picks
// one back end (simulated units or libusb) and every later call of the driver handle goes to it.
#ifndef USBKIT_SRC_BACKEND_H
#define USBKIT_SRC_BACKEND_H

#include <cstdint>
#include <memory>
#include <vector>

#include "usbkit.h"

namespace usbkit {

// What a back end knows of a device before it is reported; checked against the match table.
struct DeviceIdentity {
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  uint8_t device_class = 0;
  uint8_t device_subclass = 0;
  uint8_t interface_class = 0;
  uint8_t interface_subclass = 0;
  uint8_t interface_protocol = 0;
  uint8_t bus_number = 0;
  uint8_t device_address = 0;
};

// True when some entry of the table matches: vendor and product must be equal, and a class field
// of zero in the entry matches any value.
bool MatchesTable(const std::vector<UsbkitMatch>& table, const DeviceIdentity& device);

class Backend {
 public:
  virtual ~Backend() = default;

  // Starts reporting matching devices through events on the back end's notification thread.
  // Returns USBKIT_STATUS_SUCCESS or a status for WDU_Init to hand back.
  virtual uint32_t Init(const std::vector<UsbkitMatch>& match, const UsbkitEvents& events) = 0;
  // Stops the notification thread (after the handler running now, if any) and forgets every
  // device; transfers on old handles fail from then on. Never called from a handler.
  virtual void Uninit() = 0;
  virtual uint32_t Transfer(WDU_DEVICE_HANDLE device, uint32_t pipe, uint32_t direction,
                            uint32_t options, void* buffer, uint32_t length, uint32_t* transferred,
                            const uint8_t* setup_packet, uint32_t timeout_ms) = 0;
  virtual uint32_t ResetPipe(WDU_DEVICE_HANDLE device, uint32_t pipe) = 0;
  // Returns once every attach and detach notification queued so far has run.
  virtual void WaitIdle() = 0;
};

std::unique_ptr<Backend> MakeSimBackend();
#ifdef USBKIT_HAVE_LIBUSB
std::unique_ptr<Backend> MakeLibusbBackend();
#endif

// The back end of the open driver handle, or null. Used by usbkit_sim_wait_idle.
std::shared_ptr<Backend> ActiveBackend();

}  // namespace usbkit

#endif
