// The five exports. Each checks, in this order, the unit ID, its parameters, the open state of
// the unit, and only then talks to the unit.
#include "devtable.h"
#include "mdxdrv.h"
#include "readings.h"
#include "transport.h"

namespace mdxdrv {
namespace {

constexpr int kAttachRounds = 20;
constexpr unsigned kAttachPauseMs = 100;

bool UnitInRange(int16_t unit_id) {
  return unit_id >= 0 && unit_id <= 3;
}

DevSlot& SlotOf(int16_t unit_id) {
  return devTable[UnitToSlot(unit_id)];
}

// Reads the extended unit's offset and span. A failed read, or a span of 0 that would divide by
// zero, leaves the slot uncalibrated: its readings then try again before they convert anything.
void LoadCalibration(DevSlot& slot, WDU_DEVICE_HANDLE device) {
  Calibration cal{};
  if (ReadCalibration(device, &cal) == kCmdOk && cal.span != 0) {
    slot.calOffset = cal.offset;
    slot.calScale = kExtendedFullScale / cal.span;
    slot.calibrated = true;
  } else {
    slot.calOffset = 0;
    slot.calScale = 0;
    slot.calibrated = false;
  }
}

// An extended unit without a usable calibration gives no readings: a retry of the calibration
// read that fails again is reported as a transfer failure instead of converting with a made-up
// scale.
bool EnsureCalibrated(DevSlot& slot, WDU_DEVICE_HANDLE device) {
  if (slot.model != kModelExtended || slot.calibrated) return true;
  LoadCalibration(slot, device);
  return slot.calibrated;
}

ExtendedCal CalOf(const DevSlot& slot) {
  return ExtendedCal{slot.calOffset, slot.calScale};
}

// The open of a unit whose connection is up: a detach between the look at the slot and the
// setting of `opened` cannot leave an open slot without a unit.
int16_t MarkOpened(DevSlot& slot) {
  TableLock lock;
  if (!slot.attached) return MDX4A_ERR_NOT_FOUND;
  if (slot.opened) return MDX4A_ERR_ALREADY_OPEN;
  slot.opened = 1;
  return MDX4A_OK;
}

bool AnyOpenUnit() {
  for (const DevSlot& slot : devTable) {
    if (slot.attached && slot.opened) return true;
  }
  return false;
}

}  // namespace
}  // namespace mdxdrv

using namespace mdxdrv;

extern "C" {

int16_t Mdx4a_Device_Open(int16_t unit_id) {
  if (!UnitInRange(unit_id)) return MDX4A_ERR_PARAMETER;
  DevSlot& slot = SlotOf(unit_id);
  if (!ToolkitOpen()) {
    OpenToolkit();
    if (startError != kStartOk) return MDX4A_ERR_DRIVER;
    bool attached = false;
    for (int round = 0; round < kAttachRounds && !attached; ++round) {
      AttachPause(kAttachPauseMs);
      attached = slot.attached != 0;
    }
    if (!attached) return MDX4A_ERR_NOT_FOUND;
  } else if (!slot.attached) {
    return MDX4A_ERR_NOT_FOUND;
  }

  const int16_t marked = MarkOpened(slot);
  if (marked != MDX4A_OK) return marked;
  WDU_DEVICE_HANDLE device = slot.hDevice;
  if (slot.model == kModelExtended) LoadCalibration(slot, device);
  SendOpenNotice(device);
  return MDX4A_OK;
}

void Mdx4a_Device_Close(int16_t unit_id) {
  if (!UnitInRange(unit_id)) return;
  DevSlot& slot = SlotOf(unit_id);
  if (!slot.opened) return;
  SendCloseNotice(slot.hDevice);
  slot.opened = 0;
  if (!AnyOpenUnit()) CloseToolkit();
}

int16_t Mdx4a_Single_Sample(int16_t unit_id, double* value, uint8_t type) {
  if (!UnitInRange(unit_id)) return MDX4A_ERR_ID;
  if (type > kTypeVoltage || value == nullptr) return MDX4A_ERR_PARAMETER;
  DevSlot& slot = SlotOf(unit_id);
  if (!slot.opened) return MDX4A_ERR_NOT_OPEN;

  WDU_DEVICE_HANDLE device = slot.hDevice;
  if (!EnsureCalibrated(slot, device)) return MDX4A_ERR_USB;
  const bool base = slot.model == kModelBase;
  uint8_t reply[kSingleReplyBase];
  if (ReadSingle(device, reply, base ? kSingleReplyBase : kSingleReplyExtended) != kCmdOk) {
    return MDX4A_ERR_USB;
  }
  *value = base ? ConvertBase(reply, type)
                : ConvertExtended(Be24(reply), Be24(reply + 3), CalOf(slot), type);
  return MDX4A_OK;
}

int16_t Mdx4a_Start_Sample(int16_t unit_id, int16_t interval) {
  if (!UnitInRange(unit_id)) return MDX4A_ERR_ID;
  if (interval < 1 || interval > 10000) return MDX4A_ERR_PARAMETER;
  DevSlot& slot = SlotOf(unit_id);
  if (!slot.opened) return MDX4A_ERR_NOT_OPEN;
  if (SendStartSampling(slot.hDevice, interval) != kCmdOk) return MDX4A_ERR_USB;
  return MDX4A_OK;
}

int16_t Mdx4a_Get_Datas(int16_t unit_id, double* values, uint8_t* status, uint8_t* count,
                        uint8_t type) {
  if (!UnitInRange(unit_id)) return MDX4A_ERR_ID;
  if (count == nullptr || values == nullptr || status == nullptr) return MDX4A_ERR_PARAMETER;
  const uint8_t asked = *count;
  if (asked > kMaxFetchCount || type > kTypeVoltage) return MDX4A_ERR_PARAMETER;
  DevSlot& slot = SlotOf(unit_id);
  if (!slot.opened) return MDX4A_ERR_NOT_OPEN;

  WDU_DEVICE_HANDLE device = slot.hDevice;
  if (!EnsureCalibrated(slot, device)) return MDX4A_ERR_USB;
  uint8_t reply[kFetchReplyLength];
  uint32_t delivered = 0;
  if (ReadFetch(device, asked, reply, &delivered) != kCmdOk) return MDX4A_ERR_USB;
  const size_t n =
      DecodeFetch(slot.model, reply, delivered, asked, CalOf(slot), type, values, status);
  *count = static_cast<uint8_t>(n);
  return MDX4A_OK;
}

}  // extern "C"
