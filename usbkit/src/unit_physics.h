// How a unit's converters see a thermocouple: hot- and reference-junction temperatures turned
// into the raw values each model reports, by running the driver's conversions backwards.
#ifndef USBKIT_SRC_UNIT_PHYSICS_H
#define USBKIT_SRC_UNIT_PHYSICS_H

#include <cstdint>

namespace usbkit {

// Base model: five 16-bit converter words. The thermocouple EMF is w4 - w3 at 100000 / 65536
// microvolts per count; the platinum reference is driven so that w0 - w1 spans the 100 ohm
// reference resistor and w1 - w2 the platinum element.
struct BaseWords {
  uint16_t w[5];
};

// Extended model: the thermocouple channel m (offset plus EMF in counts of 60000 / span
// microvolts) and the thermistor channel r (its resistance in steps of 0.00596046 ohms).
struct ExtendedChannels {
  uint32_t m;
  uint32_t r;
};

// EMF in microvolts the thermocouple of tc_type (0 to 7) delivers between the two junctions.
double JunctionEmf(int tc_type, double hot_c, double ref_c);
BaseWords EncodeBase(double emf_uv, double ref_c);
ExtendedChannels EncodeExtended(double emf_uv, double ref_c, uint32_t offset, uint32_t span);

}  // namespace usbkit

#endif
