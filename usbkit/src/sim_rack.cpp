#include "sim_rack.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace usbkit {

namespace {

constexpr uint32_t kCommandPipe = 2;
constexpr uint32_t kReplyPipe = 0x83;
constexpr uint32_t kInterruptPipe = 0x81;
constexpr uint8_t kProbeCommand = 0xF0;

}  // namespace

SimRack& SimRack::Instance() {
  static SimRack* rack = new SimRack;  // never destroyed: back ends may outlive static teardown
  return *rack;
}

void SimRack::Enable() {
  std::lock_guard<std::mutex> lock(mu_);
  enabled_ = true;
}

bool SimRack::Enabled() const {
  std::lock_guard<std::mutex> lock(mu_);
  return enabled_;
}

uint64_t SimRack::SetListener(RackListener* listener) {
  std::lock_guard<std::mutex> lock(mu_);
  listener_ = listener;
  if (listener_ != nullptr) {
    for (auto& [number, unit] : units_) {
      if (unit->plugged) listener_->OnPlugged(unit->plug, Identity(number));
    }
  }
  return session_;
}

void SimRack::ClearListener(RackListener* listener) {
  std::lock_guard<std::mutex> lock(mu_);
  if (listener_ != listener) return;
  listener_ = nullptr;
  // The back end is closing: reads still waiting for a reply give up now.
  ++session_;
  changed_.notify_all();
}

SimRack::Unit* SimRack::Find(int unit) {
  auto found = units_.find(unit);
  return found == units_.end() ? nullptr : found->second.get();
}

SimRack::Unit* SimRack::FindPlug(uint64_t plug) {
  if (plug == 0) return nullptr;
  for (auto& entry : units_) {
    if (entry.second->plugged && entry.second->plug == plug) return entry.second.get();
  }
  return nullptr;
}

DeviceIdentity SimRack::Identity(int number) const {
  DeviceIdentity id;
  id.vendor_id = kSimVendorId;
  id.product_id = kSimProductId;
  id.device_class = 0xFF;
  id.interface_class = 0xFF;
  id.bus_number = 1;
  id.device_address = static_cast<uint8_t>(std::clamp(number + 1, 2, 127));
  return id;
}

bool SimRack::TakeFailure(Unit& unit) {
  if (unit.fail_next <= 0) return false;
  --unit.fail_next;
  return true;
}

uint32_t SimRack::Write(uint64_t plug, uint32_t pipe, const uint8_t* data, uint32_t length,
                        uint32_t* transferred) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* unit = FindPlug(plug);
  if (unit == nullptr || pipe != kCommandPipe) return USBKIT_STATUS_FAILED;
  if (TakeFailure(*unit)) return USBKIT_STATUS_FAILED;
  if (length > 0 && data[0] == kProbeCommand && unit->fail_probe) return USBKIT_STATUS_FAILED;
  unit->log.emplace_back(data, data + length);
  // A new command replaces any reply that was not read.
  unit->reply.reset();
  std::vector<uint8_t> reply;
  if (unit->model.Handle(data, length, clock_.NowMs(), &reply) && !unit->unresponsive) {
    unit->reply = std::move(reply);
  }
  if (transferred != nullptr) *transferred = length;
  changed_.notify_all();
  return USBKIT_STATUS_SUCCESS;
}

uint32_t SimRack::Read(uint64_t session, uint64_t plug, uint32_t pipe, uint8_t* buffer,
                       uint32_t length, uint32_t* transferred, uint32_t timeout_ms) {
  std::unique_lock<std::mutex> lock(mu_);
  Unit* unit = FindPlug(plug);
  if (unit == nullptr || pipe != kReplyPipe || session != session_) return USBKIT_STATUS_FAILED;
  if (TakeFailure(*unit)) return USBKIT_STATUS_FAILED;
  auto ready = [this, plug, session] {
    Unit* u = FindPlug(plug);
    return u == nullptr || u->reply.has_value() || session_ != session;
  };
  if (!ready()) {
    if (clock_.Manual()) {
      // Nothing will answer while this thread waits: let the time-out pass at once.
      if (timeout_ms > 0) clock_.Advance(timeout_ms);
      return USBKIT_STATUS_FAILED;
    }
    if (timeout_ms == 0) {
      changed_.wait(lock, ready);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready)) {
      return USBKIT_STATUS_FAILED;
    }
  }
  unit = FindPlug(plug);
  if (unit == nullptr || session_ != session) return USBKIT_STATUS_FAILED;
  // A longer reply is cut to the read's length; a shorter one leaves the rest of the buffer.
  size_t n = std::min<size_t>(length, unit->reply->size());
  if (n > 0) std::memcpy(buffer, unit->reply->data(), n);
  unit->reply.reset();
  if (transferred != nullptr) *transferred = static_cast<uint32_t>(n);
  return USBKIT_STATUS_SUCCESS;
}

uint32_t SimRack::ResetPipe(uint64_t plug, uint32_t pipe) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* unit = FindPlug(plug);
  if (unit == nullptr) return USBKIT_STATUS_FAILED;
  if (pipe == kReplyPipe) {
    unit->reply.reset();
  } else if (pipe != kCommandPipe && pipe != kInterruptPipe) {
    return USBKIT_STATUS_FAILED;
  }
  return USBKIT_STATUS_SUCCESS;
}

void SimRack::PlugLocked(int number, Unit& unit) {
  unit.plugged = true;
  unit.plug = next_plug_++;
  unit.reply.reset();
  unit.model.PowerUp(clock_.NowMs());
  if (listener_ != nullptr) listener_->OnPlugged(unit.plug, Identity(number));
}

void SimRack::UnplugLocked(Unit& unit) {
  if (!unit.plugged) return;
  uint64_t plug = unit.plug;
  unit.plugged = false;
  unit.plug = 0;
  unit.reply.reset();
  if (listener_ != nullptr) listener_->OnUnplugged(plug);
  changed_.notify_all();
}

int SimRack::Plug(int model, uint8_t id_byte) {
  std::lock_guard<std::mutex> lock(mu_);
  int number = next_unit_++;
  auto unit = std::make_unique<Unit>(model, id_byte, clock_.NowMs());
  Unit& ref = *unit;
  units_[number] = std::move(unit);
  PlugLocked(number, ref);
  return number;
}

void SimRack::Unplug(int unit) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) UnplugLocked(*u);
}

void SimRack::Replug(int unit) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* u = Find(unit);
  if (u != nullptr && !u->plugged) PlugLocked(unit, *u);
}

void SimRack::SetTemperature(int unit, int tc_type, double hot_c, double ref_c) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->model.SetTemperature(tc_type, hot_c, ref_c, clock_.NowMs());
}

void SimRack::SetProfile(int unit, HotProfile profile, void* context) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->model.SetProfile(profile, context, clock_.NowMs());
}

void SimRack::SetCalibration(int unit, uint32_t offset, uint32_t span) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->model.SetCalibration(offset, span, clock_.NowMs());
}

void SimRack::PushReply(int unit, uint8_t command, std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->model.PushReply(command, std::move(bytes));
}

void SimRack::FailTransfers(int unit, int count) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->fail_next = std::max(0, count);
}

void SimRack::SetUnresponsive(int unit, bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->unresponsive = on;
}

void SimRack::FailProbe(int unit, bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->fail_probe = on;
}

void SimRack::Overclaim(int unit, int extra) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->model.SetOverclaim(extra);
}

int SimRack::RequestCount(int unit) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* u = Find(unit);
  return u == nullptr ? 0 : static_cast<int>(u->log.size());
}

std::optional<std::vector<uint8_t>> SimRack::Request(int unit, int index) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* u = Find(unit);
  if (u == nullptr || index < 0 || static_cast<size_t>(index) >= u->log.size()) return {};
  return u->log[index];
}

void SimRack::ClearRequests(int unit) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* u = Find(unit)) u->log.clear();
}

int SimRack::Buffered(int unit) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* u = Find(unit);
  return u == nullptr ? -1 : static_cast<int>(u->model.Buffered(clock_.NowMs()));
}

void SimRack::UseManualClock(bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  clock_.SetManual(on);
}

void SimRack::Advance(double ms) {
  std::lock_guard<std::mutex> lock(mu_);
  clock_.Advance(ms);
  changed_.notify_all();
}

double SimRack::NowMs() {
  std::lock_guard<std::mutex> lock(mu_);
  return clock_.NowMs();
}

void SimRack::Reset() {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto& entry : units_) UnplugLocked(*entry.second);
  units_.clear();
  next_unit_ = 1;
  demo_claimed_ = false;
  clock_.SetManual(false);
  changed_.notify_all();
}

bool SimRack::ClaimDemo() {
  std::lock_guard<std::mutex> lock(mu_);
  if (demo_claimed_) return false;
  demo_claimed_ = true;
  return true;
}

}  // namespace usbkit
