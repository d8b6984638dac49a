// Test fixture: the driver core against simulated units, with the attach wait of
// Mdx4a_Device_Open driven by hand instead of sleeping.
#ifndef TESTS_DRIVER_SIM_FIXTURE_H
#define TESTS_DRIVER_SIM_FIXTURE_H

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "devtable.h"
#include "mdxdrv.h"
#include "usbkit_sim.h"

namespace drivertest {

// Counts the pauses of the attach wait; each one lets the notification thread run what is
// pending, and may run a hook (to plug a unit in the middle of the wait).
struct PauseLog {
  static std::atomic<int> pauses;
  static std::atomic<unsigned> pausedMs;
  static void (*hook)(int pause_number);
  static void Pause(unsigned ms) {
    const int number = ++pauses;
    pausedMs += ms;
    if (hook != nullptr) hook(number);
    usbkit_sim_wait_idle();
  }
  static void Reset() {
    pauses = 0;
    pausedMs = 0;
    hook = nullptr;
  }
};

class SimDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    usbkit_sim_enable();
    usbkit_sim_reset();
    usbkit_sim_use_manual_clock(1);
    PauseLog::Reset();
    mdxdrv::SetAttachPause(&PauseLog::Pause);
  }

  void TearDown() override {
    for (int16_t id = 0; id < 4; ++id) Mdx4a_Device_Close(id);
    mdxdrv::CloseToolkit();
    usbkit_sim_reset();
    mdxdrv::SetAttachPause(nullptr);
    PauseLog::Reset();
  }

  // Opens the toolkit connection ahead of any Mdx4a_Device_Open and lets the units plugged so
  // far attach, so that faults set afterwards hit the open's transfers and not the probe.
  static void StartToolkit() {
    mdxdrv::OpenToolkit();
    ASSERT_EQ(mdxdrv::startError, 0);
    usbkit_sim_wait_idle();
  }

  // Plugs a unit and opens it under the given unit ID; the request log starts empty after.
  int PlugAndOpen(int model, uint8_t id_byte, int16_t unit_id) {
    const int unit = usbkit_sim_plug(model, id_byte);
    if (mdxdrv::ToolkitOpen()) usbkit_sim_wait_idle();
    EXPECT_EQ(Mdx4a_Device_Open(unit_id), MDX4A_OK);
    usbkit_sim_clear_requests(unit);
    return unit;
  }

  static std::vector<std::vector<uint8_t>> Requests(int unit) {
    std::vector<std::vector<uint8_t>> log;
    for (int i = 0; i < usbkit_sim_request_count(unit); ++i) {
      uint8_t buf[64];
      const int n = usbkit_sim_request(unit, i, buf, sizeof buf);
      log.emplace_back(buf, buf + (n > 0 ? n : 0));
    }
    return log;
  }

  static std::vector<uint8_t> LastRequest(int unit) {
    const auto log = Requests(unit);
    return log.empty() ? std::vector<uint8_t>{} : log.back();
  }
};

}  // namespace drivertest

#endif
