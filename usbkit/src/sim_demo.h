// The demonstration units plugged by USBKIT_SIMULATE=demo.
#ifndef USBKIT_SRC_SIM_DEMO_H
#define USBKIT_SRC_SIM_DEMO_H

namespace usbkit {

// Plugs the four demonstration units into the rack, once until the next rack reset. They are
// unit IDs 0 to 3 to the driver: a base unit reporting 0 (ID 0), an extended unit reporting 5
// (ID 1), a base unit reporting 1 (slot 1, so ID 2) and an extended unit reporting 7 (ID 3).
void PlugDemoUnits();

}  // namespace usbkit

#endif
