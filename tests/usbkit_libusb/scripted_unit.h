// A unit logic that answers each command byte with fixed bytes: the ID probe with the unit's ID
// byte, the open and close notices with one byte, and whatever a test sets for the others.
#ifndef TESTS_USBKIT_LIBUSB_SCRIPTED_UNIT_H
#define TESTS_USBKIT_LIBUSB_SCRIPTED_UNIT_H

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "emulated_bus.h"

namespace usbkit_test {

class ScriptedUnit : public UnitLogic {
 public:
  explicit ScriptedUnit(uint8_t id_byte) {
    replies_[0xF0] = {0x00, id_byte};
    replies_[0x40] = {0x00};
    replies_[0x50] = {0x00};
  }
  // Every later request starting with command gets reply; an empty reply means none at all.
  void Answer(uint8_t command, std::vector<uint8_t> reply) {
    std::lock_guard<std::mutex> lock(mu_);
    replies_[command] = std::move(reply);
  }

  void Receive(const std::vector<uint8_t>& request) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (request.empty()) return;
    auto found = replies_.find(request[0]);
    if (found != replies_.end() && !found->second.empty()) pending_.push_back(found->second);
  }
  bool TakeReply(std::vector<uint8_t>* reply) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (pending_.empty()) return false;
    *reply = pending_.front();
    pending_.pop_front();
    return true;
  }
  void PowerUp() override {
    std::lock_guard<std::mutex> lock(mu_);
    pending_.clear();
  }

 private:
  std::mutex mu_;
  std::map<uint8_t, std::vector<uint8_t>> replies_;
  std::deque<std::vector<uint8_t>> pending_;
};

}  // namespace usbkit_test

#endif
