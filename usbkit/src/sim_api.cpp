// The C API of the simulated units (usbkit_sim.h): thin calls into the rack.
#include <algorithm>
#include <cstring>
#include <vector>

#include "backend.h"
#include "sim_rack.h"
#include "usbkit_sim.h"

using usbkit::SimRack;

extern "C" {

void usbkit_sim_enable(void) {
  SimRack::Instance().Enable();
}

int usbkit_sim_plug(int model, unsigned char id_byte) {
  return SimRack::Instance().Plug(model, id_byte);
}

void usbkit_sim_unplug(int unit) {
  SimRack::Instance().Unplug(unit);
}

void usbkit_sim_replug(int unit) {
  SimRack::Instance().Replug(unit);
}

void usbkit_sim_set_temperature(int unit, int tc_type, double hot_c, double ref_c) {
  SimRack::Instance().SetTemperature(unit, tc_type, hot_c, ref_c);
}

void usbkit_sim_set_profile(int unit, usbkit_sim_profile profile, void* context) {
  SimRack::Instance().SetProfile(unit, profile, context);
}

void usbkit_sim_set_calibration(int unit, unsigned offset, unsigned span) {
  SimRack::Instance().SetCalibration(unit, offset, span);
}

void usbkit_sim_push_reply(int unit, unsigned char command, const unsigned char* bytes,
                           unsigned len) {
  std::vector<uint8_t> reply;
  if (bytes != nullptr) reply.assign(bytes, bytes + len);
  SimRack::Instance().PushReply(unit, command, std::move(reply));
}

void usbkit_sim_fail_transfers(int unit, int count) {
  SimRack::Instance().FailTransfers(unit, count);
}

void usbkit_sim_set_unresponsive(int unit, int on) {
  SimRack::Instance().SetUnresponsive(unit, on != 0);
}

void usbkit_sim_fail_probe(int unit, int on) {
  SimRack::Instance().FailProbe(unit, on != 0);
}

void usbkit_sim_overclaim_fetch(int unit, int extra) {
  SimRack::Instance().Overclaim(unit, extra);
}

int usbkit_sim_request_count(int unit) {
  return SimRack::Instance().RequestCount(unit);
}

int usbkit_sim_request(int unit, int index, unsigned char* buf, unsigned cap) {
  auto request = SimRack::Instance().Request(unit, index);
  if (!request) return -1;
  if (buf != nullptr && cap > 0 && !request->empty()) {
    std::memcpy(buf, request->data(), std::min<size_t>(cap, request->size()));
  }
  return static_cast<int>(request->size());
}

void usbkit_sim_clear_requests(int unit) {
  SimRack::Instance().ClearRequests(unit);
}

int usbkit_sim_buffered_count(int unit) {
  return SimRack::Instance().Buffered(unit);
}

void usbkit_sim_use_manual_clock(int on) {
  SimRack::Instance().UseManualClock(on != 0);
}

void usbkit_sim_advance_ms(unsigned ms) {
  SimRack::Instance().Advance(ms);
}

double usbkit_sim_now_ms(void) {
  return SimRack::Instance().NowMs();
}

void usbkit_sim_wait_idle(void) {
  if (auto backend = usbkit::ActiveBackend()) backend->WaitIdle();
}

void usbkit_sim_reset(void) {
  SimRack::Instance().Reset();
}

}  // extern "C"
