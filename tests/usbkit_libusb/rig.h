// Units for the toolkit to find, behind either back end: simulated units in the process, or
// units on the emulated USB bus reached through libusb. Tests written against a Rig run on both.
#ifndef TESTS_USBKIT_LIBUSB_RIG_H
#define TESTS_USBKIT_LIBUSB_RIG_H

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

namespace usbkit_test {

enum class BackendKind { kSimulated, kLibusb };

inline std::ostream& operator<<(std::ostream& out, BackendKind kind) {
  return out << (kind == BackendKind::kSimulated ? "Simulated" : "Libusb");
}

class Rig {
 public:
  // Selects the back end for the next WDU_Init.
  static std::unique_ptr<Rig> Make(BackendKind kind);
  virtual ~Rig() = default;

  // model: 0 base, 1 extended. Returns the unit's number.
  virtual int Plug(int model, uint8_t id_byte) = 0;
  virtual void Unplug(int unit) = 0;
  virtual void Replug(int unit) = 0;
  virtual void SetTemperature(int unit, int tc_type, double hot_c, double ref_c) = 0;
  virtual void FailTransfers(int unit, int count) = 0;
  virtual std::vector<std::vector<uint8_t>> Requests(int unit) = 0;
};

}  // namespace usbkit_test

#endif
