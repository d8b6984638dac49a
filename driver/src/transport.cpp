// The unit's command set on top of two toolkit transfers.
#include "transport.h"

#include <cstring>

namespace mdxdrv {

uint32_t UsbWrite(WDU_DEVICE_HANDLE device, const uint8_t* bytes, uint32_t length) {
  uint32_t transferred = 0;
  // The toolkit takes a non-const buffer for both directions; it does not write to it here.
  return WDU_Transfer(device, kPipeOut, USBKIT_WRITE, 0, const_cast<uint8_t*>(bytes), length,
                      &transferred, nullptr, kTransferTimeoutMs);
}

uint32_t UsbRead(WDU_DEVICE_HANDLE device, uint8_t* buffer, uint32_t length,
                 uint32_t* transferred) {
  // Bytes the unit did not send read as zero rather than as whatever came before.
  std::memset(buffer, 0, length);
  *transferred = 0;
  const uint32_t status = WDU_Transfer(device, kPipeIn, USBKIT_READ, 0, buffer, length, transferred,
                                       nullptr, kTransferTimeoutMs);
  if (*transferred > length) *transferred = length;
  return status;
}

namespace {

// Write the request, then read the reply unless the write failed.
int Exchange(WDU_DEVICE_HANDLE device, const uint8_t* request, uint32_t request_length,
             uint8_t* reply, uint32_t reply_length, uint32_t* delivered) {
  if (TransferFailed(UsbWrite(device, request, request_length))) return kCmdUsbError;
  if (TransferFailed(UsbRead(device, reply, reply_length, delivered))) return kCmdUsbError;
  return kCmdOk;
}

int SendNotice(WDU_DEVICE_HANDLE device, uint8_t command) {
  uint8_t reply[kNoticeReplyLength];
  uint32_t delivered = 0;
  return Exchange(device, &command, 1, reply, sizeof reply, &delivered);
}

}  // namespace

bool ProbeUnitId(WDU_DEVICE_HANDLE device, uint8_t* id_byte) {
  const uint8_t request = kCmdProbe;
  uint8_t reply[kProbeReplyLength];
  uint32_t delivered = 0;
  if (UsbWrite(device, &request, 1) != USBKIT_STATUS_SUCCESS) return false;
  if (UsbRead(device, reply, sizeof reply, &delivered) != USBKIT_STATUS_SUCCESS) return false;
  if (delivered < kProbeReplyLength) return false;
  *id_byte = reply[1];
  return true;
}

int SendOpenNotice(WDU_DEVICE_HANDLE device) {
  return SendNotice(device, kCmdOpenNotice);
}

int SendCloseNotice(WDU_DEVICE_HANDLE device) {
  return SendNotice(device, kCmdCloseNotice);
}

int ReadCalibration(WDU_DEVICE_HANDLE device, Calibration* cal) {
  const uint8_t request = kCmdCalibration;
  uint8_t reply[kCalibrationReplyLength];
  uint32_t delivered = 0;
  if (Exchange(device, &request, 1, reply, sizeof reply, &delivered) != kCmdOk) {
    return kCmdUsbError;
  }
  if (delivered < kCalibrationReplyLength) return kCmdUsbError;
  cal->offset = static_cast<int32_t>(Be24(reply + 1));
  cal->span = static_cast<int32_t>(Be24(reply + 4));
  return kCmdOk;
}

int ReadSingle(WDU_DEVICE_HANDLE device, uint8_t* reply, uint32_t reply_length) {
  const uint8_t request = kCmdSingle;
  uint32_t delivered = 0;
  if (Exchange(device, &request, 1, reply, reply_length, &delivered) != kCmdOk) {
    return kCmdUsbError;
  }
  return delivered < reply_length ? kCmdUsbError : kCmdOk;
}

int SendStartSampling(WDU_DEVICE_HANDLE device, int16_t interval) {
  const auto value = static_cast<uint16_t>(interval);
  const uint8_t request[3] = {kCmdStart, static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value & 0xFF)};
  return TransferFailed(UsbWrite(device, request, sizeof request)) ? kCmdUsbError : kCmdOk;
}

int ReadFetch(WDU_DEVICE_HANDLE device, uint8_t count, uint8_t* reply, uint32_t* delivered) {
  const uint8_t request[2] = {kCmdFetch, count};
  return Exchange(device, request, sizeof request, reply, kFetchReplyLength, delivered);
}

}  // namespace mdxdrv
