// The table of the four unit slots, filled and emptied by the toolkit's attach and detach
// notifications, and the connection to the toolkit that serves them.
#ifndef MDXDRV_DEVTABLE_H
#define MDXDRV_DEVTABLE_H

#include <atomic>
#include <cstdint>

#include "usbkit.h"

namespace mdxdrv {

constexpr int kSlotCount = 4;
constexpr uint16_t kVendorId = 0x0BA0;
constexpr uint16_t kProductId = 0x000F;

// Results of the last OpenToolkit.
constexpr int32_t kStartOk = 0;
constexpr int32_t kStartNoMutex = 1;
constexpr int32_t kStartInitFailed = 2;

// One slot. The flags, the handle and the model are written by the notification thread while
// the exports read them on the caller's thread, hence atomics. The calibration is touched only
// by the exports.
struct DevSlot {
  std::atomic<int32_t> attached{0};
  std::atomic<WDU_DEVICE_HANDLE> hDevice{nullptr};
  std::atomic<int32_t> opened{0};
  std::atomic<uint8_t> model{0};
  int32_t calOffset = 0;
  double calScale = 0;      // microvolts per count; 0 while not calibrated
  bool calibrated = false;  // extended model: a usable calibration was read
};

extern DevSlot devTable[kSlotCount];
// Non-null while the toolkit connection is open.
extern std::atomic<OS_MUTEX_HANDLE> hTableMutex;
extern WDU_DRIVER_HANDLE hDriver;
extern int32_t startError;

// Unit ID to slot and back: 0-0, 1-2, 2-1, 3-3.
constexpr int UnitToSlot(int unit) {
  return unit == 1 ? 2 : unit == 2 ? 1 : unit;
}

bool ToolkitOpen();
// Clears the table and opens the toolkit connection; sets startError. A failed start leaves the
// connection closed (no mutex, no driver handle), so the next open tries again.
void OpenToolkit();
// Closes the connection if it is open. The slots keep their contents.
void CloseToolkit();

int AttachHandler(WDU_DEVICE_HANDLE device, const UsbkitDeviceInfo* info, void* user_data);
void DetachHandler(WDU_DEVICE_HANDLE device, void* user_data);

// Holds the table mutex for a scope, if the connection is open.
class TableLock {
 public:
  TableLock() : mutex_(hTableMutex.load()) {
    if (mutex_ != nullptr) OsMutexLock(mutex_);
  }
  ~TableLock() {
    if (mutex_ != nullptr) OsMutexUnlock(mutex_);
  }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

 private:
  OS_MUTEX_HANDLE mutex_;
};

// The pause between two looks at a slot while Mdx4a_Device_Open waits for its unit to attach.
// Sleeps for real; tests put in a pause that does not spend wall-clock time.
using PauseFunction = void (*)(unsigned ms);
void SetAttachPause(PauseFunction pause);  // null restores the real sleep
void AttachPause(unsigned ms);

}  // namespace mdxdrv

#endif
