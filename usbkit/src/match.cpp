#include "backend.h"

namespace usbkit {

namespace {

bool FieldMatches(uint8_t wanted, uint8_t actual) {
  return wanted == 0 || wanted == actual;
}

}  // namespace

bool MatchesTable(const std::vector<UsbkitMatch>& table, const DeviceIdentity& device) {
  for (const UsbkitMatch& m : table) {
    if (m.vendor_id != device.vendor_id || m.product_id != device.product_id) continue;
    if (FieldMatches(m.device_class, device.device_class) &&
        FieldMatches(m.device_subclass, device.device_subclass) &&
        FieldMatches(m.interface_class, device.interface_class) &&
        FieldMatches(m.interface_subclass, device.interface_subclass) &&
        FieldMatches(m.interface_protocol, device.interface_protocol)) {
      return true;
    }
  }
  return false;
}

}  // namespace usbkit
