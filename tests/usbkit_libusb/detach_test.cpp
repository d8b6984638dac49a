// Units pulled out and plugged in again while the toolkit is open, and closing the toolkit.
#include <chrono>
#include <future>
#include <thread>

#include "toolkit_fixture.h"

namespace usbkit_test {
namespace {

using std::chrono::steady_clock;

TEST_F(LibusbToolkitTest, PulledUnitIsDetachedWithItsHandleAndComesBackWithANewOne) {
  PlugUnit(0x01);
  Open();
  WDU_DEVICE_HANDLE first = AttachedHandle();
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(Write(first, {0x40}), USBKIT_STATUS_SUCCESS);

  bus_->Unplug(last_unit_);
  ASSERT_TRUE(WaitDetaches(1));
  DetachCall detach = Detaches()[0];
  EXPECT_EQ(detach.handle, first);
  EXPECT_EQ(detach.thread, Attaches()[0].thread);
  EXPECT_EQ(Write(first, {0x40}), USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_ResetPipe(first, 0x81), USBKIT_STATUS_FAILED);

  bus_->Replug(last_unit_);
  ASSERT_TRUE(WaitAttaches(2));
  WDU_DEVICE_HANDLE second = Attaches()[1].handle;
  EXPECT_NE(second, first);
  EXPECT_EQ(Attaches()[1].id_byte, 0x01);
  EXPECT_EQ(Write(second, {0x40}), USBKIT_STATUS_SUCCESS);
  // The old handle stays a dead token.
  EXPECT_EQ(Write(first, {0x40}), USBKIT_STATUS_FAILED);
}

TEST_F(LibusbToolkitTest, UnitPulledDuringAReadFailsItWithoutWaitingForTheTimeOut) {
  PlugUnit(0x01);
  Open();
  WDU_DEVICE_HANDLE h = AttachedHandle();
  ASSERT_NE(h, nullptr);
  bus_->SetUnresponsive(last_unit_, true);
  ASSERT_EQ(Write(h, {0x10}), USBKIT_STATUS_SUCCESS);
  auto start = steady_clock::now();
  auto read = std::async(std::launch::async, [h] {
    uint8_t in[10];
    uint32_t moved = 0;
    return Read(h, in, sizeof in, &moved, 30000);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  bus_->Unplug(last_unit_);
  ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(read.get(), USBKIT_STATUS_FAILED);
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_TRUE(WaitDetaches(1));
  EXPECT_EQ(Detaches()[0].handle, h);
}

TEST_F(LibusbToolkitTest, UninitCancelsAReadInFlightAndAReopenAttachesAgain) {
  PlugUnit(0x02);
  Open();
  WDU_DEVICE_HANDLE h = AttachedHandle();
  ASSERT_NE(h, nullptr);
  bus_->SetUnresponsive(last_unit_, true);
  auto read = std::async(std::launch::async, [h] {
    uint8_t in[10];
    uint32_t moved = 0;
    return Read(h, in, sizeof in, &moved, 30000);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto start = steady_clock::now();
  Close();
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_EQ(read.wait_for(std::chrono::seconds(1)), std::future_status::ready);
  EXPECT_EQ(read.get(), USBKIT_STATUS_FAILED);
  EXPECT_EQ(Write(h, {0x40}), USBKIT_STATUS_FAILED);
  EXPECT_TRUE(Detaches().empty());

  bus_->SetUnresponsive(last_unit_, false);
  Open();
  ASSERT_TRUE(WaitAttaches(2));
  WDU_DEVICE_HANDLE again = Attaches()[1].handle;
  EXPECT_NE(again, h);
  EXPECT_EQ(Attaches()[1].probe_status, USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(Write(again, {0x40}), USBKIT_STATUS_SUCCESS);
}

TEST_F(LibusbToolkitTest, UninitDuringTheProbeOfASilentUnitReturnsWithinASecond) {
  ScriptedUnit* unit = PlugUnit(0x01);
  unit->Answer(0xF0, {});  // takes the probe and never answers it
  Open();
  // The attach handler is now waiting for the probe's reply (30 s time-out).
  const auto until = steady_clock::now() + std::chrono::seconds(5);
  while (bus_->Requests(last_unit_).empty() && steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(bus_->Requests(last_unit_).size(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto start = steady_clock::now();
  Close();
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(1));
  // The handler's probe failed and the unit was not taken.
  ASSERT_TRUE(WaitAttaches(1));
  EXPECT_NE(Attaches()[0].probe_status, USBKIT_STATUS_SUCCESS);
  EXPECT_TRUE(Detaches().empty());
}

}  // namespace
}  // namespace usbkit_test
