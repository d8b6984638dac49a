// Turning the raw replies of both unit models into temperatures or voltages.
#ifndef MDXDRV_READINGS_H
#define MDXDRV_READINGS_H

#include <cstddef>
#include <cstdint>

namespace mdxdrv {

constexpr uint8_t kModelBase = 0;
constexpr uint8_t kModelExtended = 1;
constexpr uint8_t kTypeVoltage = 8;
constexpr uint8_t kMaxFetchCount = 128;

// Microvolts per count of the base model's converter (100000 / 65536).
constexpr double kBaseMicrovoltsPerCount = 1.52587890625;
// Full scale of an extended unit's span, microvolts.
constexpr double kExtendedFullScale = 60000.0;
// Raw reference-junction channel of the extended model to the thermistor value.
constexpr double kThermistorPerCount = 0.00596046;

// What an extended unit needs to turn its counts into microvolts.
struct ExtendedCal {
  int32_t offset;
  double scale;  // microvolts per count
};

// One base-model reading: five 16-bit words, least significant byte first, at p[0..9].
double ConvertBase(const uint8_t* p, uint8_t type);
// One extended-model reading: thermocouple channel m, reference channel r.
double ConvertExtended(uint32_t m, uint32_t r, const ExtendedCal& cal, uint8_t type);

// Byte offsets of reading k inside a fetch reply, and the bytes a reply must hold for it.
constexpr size_t BaseRecordOffset(size_t k) {
  return 2 + 64 * (k / 5) + 12 * (k % 5);
}
constexpr size_t ExtendedRecordOffset(size_t k) {
  return 3 + 10 * k;
}
constexpr size_t BaseRecordEnd(size_t k) {
  return BaseRecordOffset(k) + 11;
}
constexpr size_t ExtendedRecordEnd(size_t k) {
  return ExtendedRecordOffset(k) + 10;
}

// Decodes a fetch reply of `length` bytes (the bytes the unit delivered). The number of readings
// is byte 1 of the reply, limited to `asked` and to the records that lie wholly inside the reply.
// Stores that many values and status bytes and returns the number.
size_t DecodeFetch(uint8_t model, const uint8_t* reply, size_t length, uint8_t asked,
                   const ExtendedCal& cal, uint8_t type, double* values, uint8_t* status);

}  // namespace mdxdrv

#endif
