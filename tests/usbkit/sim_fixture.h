// Shared set-up of the toolkit tests: a driver handle on the simulated units whose attach
// handler probes each unit the way the driver does, and records every notification.
#ifndef TESTS_USBKIT_SIM_FIXTURE_H
#define TESTS_USBKIT_SIM_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "usbkit.h"
#include "usbkit_sim.h"

namespace usbkit_test {

constexpr uint32_t kWritePipe = 2;
constexpr uint32_t kReadPipe = 0x83;
constexpr uint32_t kTimeout = 30000;

struct Notice {
  bool attach;
  WDU_DEVICE_HANDLE handle;
  std::thread::id thread;
  int id_byte;  // from the probe; -1 when it failed or for a detach
};

// Writes the request, then reads reply_len bytes when reply_len > 0. Returns the first failing
// status or 0.
uint32_t Exchange(WDU_DEVICE_HANDLE device, std::vector<uint8_t> request, size_t reply_len,
                  std::vector<uint8_t>* reply = nullptr, uint32_t timeout_ms = kTimeout);

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the toolkit on the simulated units; match the unit's identity unless told otherwise.
  uint32_t Open(uint16_t vendor = 0x0BA0, uint16_t product = 0x000F);
  void Close();
  // Plugs a unit and waits until its attach handler has run; returns the unit number.
  int PlugAndWait(int model, uint8_t id_byte);
  std::vector<Notice> Notices();
  // Handle the last accepted attach with this ID byte was given; null when none.
  WDU_DEVICE_HANDLE HandleOf(int id_byte);
  std::vector<std::vector<uint8_t>> Requests(int unit);

  static int OnAttach(WDU_DEVICE_HANDLE device, const UsbkitDeviceInfo* info, void* self);
  static void OnDetach(WDU_DEVICE_HANDLE device, void* self);

  WDU_DRIVER_HANDLE driver_ = nullptr;
  bool refuse_all_ = false;
  std::mutex mu_;
  std::vector<Notice> notices_;
  std::vector<UsbkitDeviceInfo> infos_;
};

}  // namespace usbkit_test

#endif
