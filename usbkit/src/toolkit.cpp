// The toolkit's entry points: pick a back end at WDU_Init and route every later call to it.
// One driver handle is open at a time; a second WDU_Init before WDU_Uninit is refused.
#include <cstdlib>
#include <mutex>
#include <utility>

#include "backend.h"
#include "sim_rack.h"

namespace usbkit {

namespace {

std::mutex g_mu;
std::shared_ptr<Backend> g_backend;
uintptr_t g_driver_token = 0;
uintptr_t g_driver_serial = 0;

bool SimulationWanted() {
  const char* env = std::getenv("USBKIT_SIMULATE");
  return SimRack::Instance().Enabled() || (env != nullptr && env[0] != '\0');
}

std::shared_ptr<Backend> Current() {
  std::lock_guard<std::mutex> lock(g_mu);
  return g_backend;
}

}  // namespace

std::shared_ptr<Backend> ActiveBackend() {
  return Current();
}

}  // namespace usbkit

using usbkit::Backend;

extern "C" {

uint32_t WDU_Init(WDU_DRIVER_HANDLE* driver, const UsbkitMatch* match_table, uint32_t match_count,
                  const UsbkitEvents* events, uint32_t options) {
  (void)options;
  if (driver == nullptr || match_table == nullptr || match_count == 0 || events == nullptr ||
      events->on_attach == nullptr) {
    return USBKIT_STATUS_INVALID_ARGUMENT;
  }
  *driver = nullptr;
  std::vector<UsbkitMatch> match(match_table, match_table + match_count);
  std::lock_guard<std::mutex> lock(usbkit::g_mu);
  if (usbkit::g_backend) return USBKIT_STATUS_INVALID_ARGUMENT;
  std::shared_ptr<Backend> backend;
  if (usbkit::SimulationWanted()) {
    backend = usbkit::MakeSimBackend();
  } else {
#ifdef USBKIT_HAVE_LIBUSB
    backend = usbkit::MakeLibusbBackend();
#endif
  }
  if (!backend) return USBKIT_STATUS_NO_BACKEND;
  // Handlers that start before this returns wait on g_mu for their first transfer, and then find
  // the back end in place.
  uint32_t status = backend->Init(match, *events);
  if (status != USBKIT_STATUS_SUCCESS) return status;
  usbkit::g_backend = std::move(backend);
  usbkit::g_driver_token = 0x7D000 + 0x10 * ++usbkit::g_driver_serial;
  *driver = reinterpret_cast<WDU_DRIVER_HANDLE>(usbkit::g_driver_token);
  return USBKIT_STATUS_SUCCESS;
}

void WDU_Uninit(WDU_DRIVER_HANDLE driver) {
  std::shared_ptr<Backend> backend;
  {
    std::lock_guard<std::mutex> lock(usbkit::g_mu);
    if (driver == nullptr || reinterpret_cast<uintptr_t>(driver) != usbkit::g_driver_token) return;
    backend = std::move(usbkit::g_backend);
    usbkit::g_backend.reset();
    usbkit::g_driver_token = 0;
  }
  backend->Uninit();
}

uint32_t WDU_Transfer(WDU_DEVICE_HANDLE device, uint32_t pipe, uint32_t direction, uint32_t options,
                      void* buffer, uint32_t length, uint32_t* transferred,
                      const uint8_t* setup_packet, uint32_t timeout_ms) {
  if (transferred != nullptr) *transferred = 0;
  std::shared_ptr<Backend> backend = usbkit::Current();
  if (!backend || device == nullptr || (buffer == nullptr && length > 0)) {
    return USBKIT_STATUS_FAILED;
  }
  return backend->Transfer(device, pipe, direction, options, buffer, length, transferred,
                           setup_packet, timeout_ms);
}

uint32_t WDU_ResetPipe(WDU_DEVICE_HANDLE device, uint32_t pipe) {
  std::shared_ptr<Backend> backend = usbkit::Current();
  if (!backend || device == nullptr) return USBKIT_STATUS_FAILED;
  return backend->ResetPipe(device, pipe);
}

}  // extern "C"
