#include "libusb/libusb_unit.h"

#include <cstring>
#include <vector>

#include "usbkit.h"

namespace usbkit {

namespace {

constexpr int kInterface = 0;
constexpr unsigned kSetupSize = LIBUSB_CONTROL_SETUP_SIZE;
// libusb waits without end on a time-out of 0. A write to a unit that has stopped taking data
// would then hang its caller (and WDU_Uninit behind it); it gives up after this instead.
constexpr uint32_t kWriteTimeoutMs = 30000;

}  // namespace

// What the waiting caller and the completion callback share for one transfer.
struct LibusbUnit::Pending {
  LibusbUnit* unit = nullptr;
  bool done = false;
};

LibusbUnit::LibusbUnit(libusb_device_handle* handle) : handle_(handle) {
  ReadEndpoints();
}

LibusbUnit::~LibusbUnit() {
  libusb_release_interface(handle_, kInterface);
  libusb_close(handle_);
}

int LibusbUnit::Open(libusb_device* device, std::unique_ptr<LibusbUnit>* unit) {
  libusb_device_handle* handle = nullptr;
  int rc = libusb_open(device, &handle);
  if (rc != LIBUSB_SUCCESS) return rc;
  // A kernel driver bound to the interface would keep it from us; give it back when we close.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  rc = libusb_claim_interface(handle, kInterface);
  if (rc != LIBUSB_SUCCESS) {
    libusb_close(handle);
    return rc;
  }
  unit->reset(new LibusbUnit(handle));
  return LIBUSB_SUCCESS;
}

void LibusbUnit::ReadEndpoints() {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(libusb_get_device(handle_), &config) != 0) return;
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& iface = config->interface[i];
    if (iface.num_altsetting < 1) continue;
    const libusb_interface_descriptor& alt = iface.altsetting[0];
    if (alt.bInterfaceNumber != kInterface) continue;
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& ep = alt.endpoint[e];
      endpoint_types_[ep.bEndpointAddress] = ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
    }
  }
  libusb_free_config_descriptor(config);
}

void LibusbUnit::MarkGone() {
  std::lock_guard<std::mutex> lock(mu_);
  gone_ = true;
  // The callback of a cancelled transfer runs later on the event thread; the transfer stays
  // allocated until its caller has seen it complete, so cancelling under the lock is safe.
  for (libusb_transfer* t : in_flight_) libusb_cancel_transfer(t);
}

bool LibusbUnit::Gone() const {
  std::lock_guard<std::mutex> lock(mu_);
  return gone_;
}

void LIBUSB_CALL LibusbUnit::OnTransferDone(libusb_transfer* transfer) {
  auto* pending = static_cast<Pending*>(transfer->user_data);
  LibusbUnit* unit = pending->unit;
  // Notified under the lock: once the waiter runs again, it may free the transfer and the unit.
  std::lock_guard<std::mutex> lock(unit->mu_);
  pending->done = true;
  unit->done_.notify_all();
}

uint32_t LibusbUnit::Run(libusb_transfer* transfer, Pending* pending) {
  pending->unit = this;
  transfer->user_data = pending;
  transfer->callback = &LibusbUnit::OnTransferDone;
  std::unique_lock<std::mutex> lock(mu_);
  if (gone_) return USBKIT_STATUS_FAILED;
  if (libusb_submit_transfer(transfer) != LIBUSB_SUCCESS) return USBKIT_STATUS_FAILED;
  in_flight_.insert(transfer);
  // libusb completes every submitted transfer: with data, by its time-out, or cancelled.
  done_.wait(lock, [pending] { return pending->done; });
  in_flight_.erase(transfer);
  return transfer->status == LIBUSB_TRANSFER_COMPLETED ? USBKIT_STATUS_SUCCESS
                                                       : USBKIT_STATUS_FAILED;
}

uint32_t LibusbUnit::Transfer(uint32_t pipe, uint32_t direction, void* buffer, uint32_t length,
                              uint32_t* transferred, const uint8_t* setup_packet,
                              uint32_t timeout_ms) {
  if (transferred != nullptr) *transferred = 0;
  if (length > 0x7FFFFFFFu) return USBKIT_STATUS_FAILED;
  if (direction != USBKIT_READ && timeout_ms == 0) timeout_ms = kWriteTimeoutMs;
  if (pipe == 0) {
    return ControlTransfer(direction, buffer, length, transferred, setup_packet, timeout_ms);
  }
  const uint8_t endpoint = static_cast<uint8_t>(pipe);
  const bool read = direction == USBKIT_READ;
  if (pipe > 0xFF || ((endpoint & LIBUSB_ENDPOINT_IN) != 0) != read) return USBKIT_STATUS_FAILED;
  auto type = endpoint_types_.find(endpoint);
  if (type == endpoint_types_.end()) return USBKIT_STATUS_FAILED;

  libusb_transfer* transfer = libusb_alloc_transfer(0);
  if (transfer == nullptr) return USBKIT_STATUS_FAILED;
  auto* data = static_cast<unsigned char*>(buffer);
  const int len = static_cast<int>(length);
  if (type->second == LIBUSB_TRANSFER_TYPE_BULK) {
    libusb_fill_bulk_transfer(transfer, handle_, endpoint, data, len, nullptr, nullptr, timeout_ms);
  } else if (type->second == LIBUSB_TRANSFER_TYPE_INTERRUPT) {
    libusb_fill_interrupt_transfer(transfer, handle_, endpoint, data, len, nullptr, nullptr,
                                   timeout_ms);
  } else {
    libusb_free_transfer(transfer);
    return USBKIT_STATUS_FAILED;
  }
  Pending pending;
  uint32_t status = Run(transfer, &pending);
  if (status == USBKIT_STATUS_SUCCESS) {
    uint32_t moved = static_cast<uint32_t>(transfer->actual_length);
    // A short reply is a success; the rest of the buffer is cleared so that nothing left over
    // from an earlier reply is decoded as part of this one.
    if (read && moved < length) std::memset(data + moved, 0, length - moved);
    if (transferred != nullptr) *transferred = moved;
  }
  libusb_free_transfer(transfer);
  return status;
}

uint32_t LibusbUnit::ControlTransfer(uint32_t direction, void* buffer, uint32_t length,
                                     uint32_t* transferred, const uint8_t* setup_packet,
                                     uint32_t timeout_ms) {
  if (setup_packet == nullptr || length > 0xFFFF) return USBKIT_STATUS_FAILED;
  const bool read = direction == USBKIT_READ;
  if (((setup_packet[0] & LIBUSB_ENDPOINT_IN) != 0) != read) return USBKIT_STATUS_FAILED;
  std::vector<unsigned char> block(kSetupSize + length);
  std::memcpy(block.data(), setup_packet, kSetupSize);
  // wLength is the caller's buffer length, whatever the setup packet said.
  block[6] = static_cast<unsigned char>(length & 0xFF);
  block[7] = static_cast<unsigned char>(length >> 8);
  if (!read && length > 0) std::memcpy(block.data() + kSetupSize, buffer, length);

  libusb_transfer* transfer = libusb_alloc_transfer(0);
  if (transfer == nullptr) return USBKIT_STATUS_FAILED;
  libusb_fill_control_transfer(transfer, handle_, block.data(), nullptr, nullptr, timeout_ms);
  Pending pending;
  uint32_t status = Run(transfer, &pending);
  if (status == USBKIT_STATUS_SUCCESS) {
    uint32_t moved = static_cast<uint32_t>(transfer->actual_length);
    if (read) {
      auto* out = static_cast<unsigned char*>(buffer);
      if (moved > 0) std::memcpy(out, block.data() + kSetupSize, moved);
      if (moved < length) std::memset(out + moved, 0, length - moved);
    }
    if (transferred != nullptr) *transferred = moved;
  }
  libusb_free_transfer(transfer);
  return status;
}

uint32_t LibusbUnit::ResetPipe(uint32_t pipe) {
  if (pipe > 0xFF || Gone()) return USBKIT_STATUS_FAILED;
  return libusb_clear_halt(handle_, static_cast<unsigned char>(pipe)) == LIBUSB_SUCCESS
             ? USBKIT_STATUS_SUCCESS
             : USBKIT_STATUS_FAILED;
}

}  // namespace usbkit
