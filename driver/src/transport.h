// Commands to the unit over its two bulk pipes: each is one write of the request to pipe 2, and
// for most of them one read of the reply from pipe 0x83.
#ifndef MDXDRV_TRANSPORT_H
#define MDXDRV_TRANSPORT_H

#include <cstddef>
#include <cstdint>

#include "usbkit.h"

namespace mdxdrv {

constexpr uint32_t kPipeOut = 2;
constexpr uint32_t kPipeIn = 0x83;
constexpr uint32_t kPipeInterrupt = 0x81;
constexpr uint32_t kTransferTimeoutMs = 30000;

// Result of a command that the exports hand on: 0, or 9 when a transfer failed.
constexpr int kCmdOk = 0;
constexpr int kCmdUsbError = 9;

constexpr uint8_t kCmdProbe = 0xF0;
constexpr uint8_t kCmdOpenNotice = 0x40;
constexpr uint8_t kCmdCloseNotice = 0x50;
constexpr uint8_t kCmdCalibration = 0x60;
constexpr uint8_t kCmdSingle = 0x10;
constexpr uint8_t kCmdStart = 0x20;
constexpr uint8_t kCmdFetch = 0x30;

constexpr uint32_t kProbeReplyLength = 2;
constexpr uint32_t kNoticeReplyLength = 1;
constexpr uint32_t kCalibrationReplyLength = 7;
constexpr uint32_t kSingleReplyBase = 10;
constexpr uint32_t kSingleReplyExtended = 6;
// Enough for 128 readings in either model's layout.
constexpr uint32_t kFetchReplyLength = 1700;

// The toolkit reports a failed data transfer with all 32 bits of the status set.
inline bool TransferFailed(uint32_t status) {
  return status == USBKIT_STATUS_FAILED;
}

uint32_t UsbWrite(WDU_DEVICE_HANDLE device, const uint8_t* bytes, uint32_t length);
// Reads into buffer; *transferred receives the bytes the unit actually sent.
uint32_t UsbRead(WDU_DEVICE_HANDLE device, uint8_t* buffer, uint32_t length, uint32_t* transferred);

// Asks a freshly attached unit for its ID byte. Any non-zero status, or a reply shorter than two
// bytes, fails the probe.
bool ProbeUnitId(WDU_DEVICE_HANDLE device, uint8_t* id_byte);

int SendOpenNotice(WDU_DEVICE_HANDLE device);
int SendCloseNotice(WDU_DEVICE_HANDLE device);

struct Calibration {
  int32_t offset;  // raw counts
  int32_t span;    // raw counts
};
// 0 with the unit's zero offset and span, or 9. A reply shorter than its seven bytes counts as a
// failed transfer: half a calibration is worse than none.
int ReadCalibration(WDU_DEVICE_HANDLE device, Calibration* cal);

// One reading: the reply (reply_length bytes of the model) lands in reply. A short reply is a
// failed transfer.
int ReadSingle(WDU_DEVICE_HANDLE device, uint8_t* reply, uint32_t reply_length);
int SendStartSampling(WDU_DEVICE_HANDLE device, int16_t interval);
// Asks for up to count buffered readings; reply must hold kFetchReplyLength bytes. *delivered
// receives the bytes the unit sent (at most kFetchReplyLength).
int ReadFetch(WDU_DEVICE_HANDLE device, uint8_t count, uint8_t* reply, uint32_t* delivered);

// A 24-bit number, most significant byte first.
inline uint32_t Be24(const uint8_t* p) {
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[2]};
}

}  // namespace mdxdrv

#endif
