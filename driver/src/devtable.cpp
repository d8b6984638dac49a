// Device table, toolkit connection and the attach and detach handlers.
#include "devtable.h"

#include <chrono>
#include <thread>

#include "transport.h"

namespace mdxdrv {

DevSlot devTable[kSlotCount];
std::atomic<OS_MUTEX_HANDLE> hTableMutex{nullptr};
WDU_DRIVER_HANDLE hDriver = nullptr;
int32_t startError = kStartOk;

namespace {

void SleepPause(unsigned ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::atomic<PauseFunction> pauseFunction{SleepPause};

void ClearSlot(DevSlot& slot) {
  slot.attached = 0;
  slot.hDevice = nullptr;
  slot.opened = 0;
  slot.model = 0;
  slot.calOffset = 0;
  slot.calScale = 0;
  slot.calibrated = false;
}

}  // namespace

void SetAttachPause(PauseFunction pause) {
  pauseFunction = pause != nullptr ? pause : SleepPause;
}

void AttachPause(unsigned ms) {
  pauseFunction.load()(ms);
}

bool ToolkitOpen() {
  return hTableMutex.load() != nullptr;
}

void OpenToolkit() {
  hTableMutex = nullptr;
  for (DevSlot& slot : devTable) ClearSlot(slot);
  hDriver = nullptr;

  OS_MUTEX_HANDLE mutex = nullptr;
  if (OsMutexCreate(&mutex) != USBKIT_STATUS_SUCCESS || mutex == nullptr) {
    startError = kStartNoMutex;
    return;
  }
  hTableMutex = mutex;

  const UsbkitMatch match = {kVendorId, kProductId, 0, 0, 0, 0, 0};
  const UsbkitEvents events = {AttachHandler, DetachHandler, nullptr, nullptr};
  WDU_DRIVER_HANDLE driver = nullptr;
  if (WDU_Init(&driver, &match, 1, &events, 1) != USBKIT_STATUS_SUCCESS) {
    startError = kStartInitFailed;
    hTableMutex = nullptr;
    OsMutexClose(mutex);
    return;
  }
  hDriver = driver;
  startError = kStartOk;
}

void CloseToolkit() {
  if (hDriver == nullptr) return;
  // Stop the notifications first: a handler that ran after the mutex was closed would lock a
  // mutex that is gone.
  WDU_Uninit(hDriver);
  hDriver = nullptr;
  OS_MUTEX_HANDLE mutex = hTableMutex.exchange(nullptr);
  if (mutex != nullptr) OsMutexClose(mutex);
}

int AttachHandler(WDU_DEVICE_HANDLE device, const UsbkitDeviceInfo* /*info*/, void* /*user_data*/) {
  WDU_ResetPipe(device, kPipeInterrupt);
  uint8_t id_byte = 0;
  if (!ProbeUnitId(device, &id_byte)) return 0;

  int slot_number;
  uint8_t model;
  if (id_byte & 4) {
    slot_number = UnitToSlot(id_byte & 3);
    model = 1;
  } else {
    // A base-model unit names its slot with the whole byte; there are only four.
    if (id_byte >= kSlotCount) return 0;
    slot_number = id_byte;
    model = 0;
  }

  TableLock lock;
  DevSlot& slot = devTable[slot_number];
  slot.opened = 0;
  slot.model = model;
  slot.hDevice = device;
  slot.attached = 1;
  return 1;
}

void DetachHandler(WDU_DEVICE_HANDLE device, void* /*user_data*/) {
  TableLock lock;
  for (DevSlot& slot : devTable) {
    if (slot.attached && slot.hDevice == device) {
      slot.attached = 0;
      slot.opened = 0;
    }
  }
}

}  // namespace mdxdrv
