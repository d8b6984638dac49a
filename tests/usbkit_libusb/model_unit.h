// An emulated unit driven by the toolkit's own unit model, the same one the simulated back end
// serves: replies in either model's layout, timed sampling on the real clock, and the physical
// model of the thermocouple it measures.
#ifndef TESTS_USBKIT_LIBUSB_MODEL_UNIT_H
#define TESTS_USBKIT_LIBUSB_MODEL_UNIT_H

#include <chrono>
#include <deque>
#include <mutex>
#include <vector>

#include "emulated_bus.h"
#include "unit_model.h"

namespace usbkit_test {

class ModelUnit : public UnitLogic {
 public:
  ModelUnit(int model, uint8_t id_byte) : model_(model, id_byte, NowMs()) {}

  void SetTemperature(int tc_type, double hot_c, double ref_c) {
    std::lock_guard<std::mutex> lock(mu_);
    model_.SetTemperature(tc_type, hot_c, ref_c, NowMs());
  }
  // Hot-junction temperature as a function of the unit's own clock; null: the constant again.
  void SetProfile(usbkit::HotProfile profile, void* context) {
    std::lock_guard<std::mutex> lock(mu_);
    model_.SetProfile(profile, context, NowMs());
  }
  void PushReply(uint8_t command, std::vector<uint8_t> bytes) {
    std::lock_guard<std::mutex> lock(mu_);
    model_.PushReply(command, std::move(bytes));
  }

  void Receive(const std::vector<uint8_t>& request) override {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<uint8_t> reply;
    if (model_.Handle(request.data(), request.size(), NowMs(), &reply)) replies_.push_back(reply);
  }
  bool TakeReply(std::vector<uint8_t>* reply) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (replies_.empty()) return false;
    *reply = std::move(replies_.front());
    replies_.pop_front();
    return true;
  }
  void PowerUp() override {
    std::lock_guard<std::mutex> lock(mu_);
    replies_.clear();
    model_.PowerUp(NowMs());
  }

 private:
  static double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
  }

  std::mutex mu_;
  usbkit::UnitModel model_;
  std::deque<std::vector<uint8_t>> replies_;
};

}  // namespace usbkit_test

#endif
