#include "rig.h"

#include <cstdlib>
#include <map>

#include "emulated_bus.h"
#include "model_unit.h"
#include "usbkit_sim.h"

namespace usbkit_test {

namespace {

// Simulated units, chosen through the environment (read at WDU_Init only) so that a later test
// in the same process can still have the libusb back end.
class SimRig : public Rig {
 public:
  SimRig() {
    setenv("USBKIT_SIMULATE", "tests", 1);
    usbkit_sim_reset();
  }
  ~SimRig() override {
    usbkit_sim_reset();
    unsetenv("USBKIT_SIMULATE");
  }
  int Plug(int model, uint8_t id_byte) override { return usbkit_sim_plug(model, id_byte); }
  void Unplug(int unit) override { usbkit_sim_unplug(unit); }
  void Replug(int unit) override { usbkit_sim_replug(unit); }
  void SetTemperature(int unit, int tc_type, double hot_c, double ref_c) override {
    usbkit_sim_set_temperature(unit, tc_type, hot_c, ref_c);
  }
  void FailTransfers(int unit, int count) override { usbkit_sim_fail_transfers(unit, count); }
  std::vector<std::vector<uint8_t>> Requests(int unit) override {
    std::vector<std::vector<uint8_t>> log;
    for (int i = 0; i < usbkit_sim_request_count(unit); ++i) {
      uint8_t buf[64];
      const int n = usbkit_sim_request(unit, i, buf, sizeof buf);
      log.emplace_back(buf, buf + (n > 0 ? n : 0));
    }
    return log;
  }
};

class LibusbRig : public Rig {
 public:
  LibusbRig() { unsetenv("USBKIT_SIMULATE"); }
  int Plug(int model, uint8_t id_byte) override {
    auto unit = std::make_unique<ModelUnit>(model, id_byte);
    ModelUnit* raw = unit.get();
    const int number = bus_.Plug(std::move(unit));
    units_[number] = raw;
    return number;
  }
  void Unplug(int unit) override { bus_.Unplug(unit); }
  void Replug(int unit) override { bus_.Replug(unit); }
  void SetTemperature(int unit, int tc_type, double hot_c, double ref_c) override {
    units_.at(unit)->SetTemperature(tc_type, hot_c, ref_c);
  }
  void FailTransfers(int unit, int count) override { bus_.FailNext(unit, count); }
  std::vector<std::vector<uint8_t>> Requests(int unit) override { return bus_.Requests(unit); }

 private:
  EmulatedBus bus_;
  std::map<int, ModelUnit*> units_;
};

}  // namespace

std::unique_ptr<Rig> Rig::Make(BackendKind kind) {
  if (kind == BackendKind::kSimulated) return std::make_unique<SimRig>();
  return std::make_unique<LibusbRig>();
}

}  // namespace usbkit_test
