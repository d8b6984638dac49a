// Attach notification of the libusb back end: units present at WDU_Init and plugged in later,
// probing on the notification thread, refusal, and the polling fallback.
#include <thread>

#include "toolkit_fixture.h"

namespace usbkit_test {
namespace {

TEST_F(LibusbToolkitTest, UnitPresentAtInitIsProbedAndTakenOnTheNotificationThread) {
  PlugUnit(0x05);
  Open();
  ASSERT_TRUE(WaitAttaches(1));
  AttachCall call = Attaches()[0];
  EXPECT_NE(call.thread, std::this_thread::get_id());
  EXPECT_EQ(call.info.vendor_id, 0x0BA0);
  EXPECT_EQ(call.info.product_id, 0x000F);
  EXPECT_EQ(call.info.bus_number, bus_->BusNumber());
  EXPECT_EQ(call.info.device_address, bus_->DeviceAddress(last_unit_));
  EXPECT_EQ(call.reset_status, USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(call.probe_status, USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(call.id_byte, 0x05);
  // Interface 0 was claimed before the handler ran; the reset reached pipe 0x81.
  EXPECT_EQ(bus_->Claims(last_unit_), 1);
  EXPECT_EQ(bus_->ClearedHalts(last_unit_), std::vector<uint8_t>{0x81});
  ASSERT_EQ(bus_->Requests(last_unit_).size(), 1u);
  EXPECT_EQ(bus_->Requests(last_unit_)[0], std::vector<uint8_t>{0xF0});
}

TEST_F(LibusbToolkitTest, UnitsPluggedLaterAreAttachedAndOtherDevicesIgnored) {
  Open();
  UnitOptions other;
  other.product_id = 0x0010;
  PlugUnit(0x01, other);
  int foreign = last_unit_;
  PlugUnit(0x02);
  int first = last_unit_;
  PlugUnit(0x03);
  ASSERT_TRUE(WaitAttaches(2));
  auto calls = Attaches();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[0].handle, calls[1].handle);
  EXPECT_EQ(calls[0].id_byte + calls[1].id_byte, 0x02 + 0x03);
  EXPECT_EQ(bus_->OpenClients(foreign), 0);
  EXPECT_EQ(bus_->Requests(foreign).size(), 0u);
  EXPECT_EQ(bus_->Claims(first), 1);
}

TEST_F(LibusbToolkitTest, RefusedUnitIsReleasedClosedAndNeverDetached) {
  SetAccept(false);
  PlugUnit(0x00);
  Open();
  ASSERT_TRUE(WaitAttaches(1));
  WDU_DEVICE_HANDLE handle = Attaches()[0].handle;
  // The interface is released right before the device is closed.
  for (int i = 0; i < 200 && bus_->Releases(last_unit_) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(bus_->Releases(last_unit_), 1);
  EXPECT_EQ(Write(handle, {0x40}), USBKIT_STATUS_FAILED);
  bus_->Unplug(last_unit_);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(Detaches().empty());
}

TEST_F(LibusbToolkitTest, UnitHeldByAnotherProgramIsReportedAndNotAttached) {
  UnitOptions busy;
  busy.claimed_elsewhere = true;
  PlugUnit(0x00, busy);
  const int held = last_unit_;
  PlugUnit(0x01);
  testing::internal::CaptureStderr();
  Open();
  ASSERT_TRUE(WaitAttaches(1));
  WaitAttaches(2, std::chrono::milliseconds(300));
  Close();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Attaches().size(), 1u);
  EXPECT_EQ(Attaches()[0].id_byte, 0x01);
  EXPECT_EQ(bus_->Claims(held), 0);
  EXPECT_NE(err.find("in use by another program"), std::string::npos) << err;
}

TEST_F(LibusbToolkitTest, PollingFindsUnitsComingAndGoingWithoutHotplugEvents) {
  setenv("USBKIT_LIBUSB_POLL", "1", 1);
  PlugUnit(0x01);
  Open();
  ASSERT_TRUE(WaitAttaches(1));
  WDU_DEVICE_HANDLE first = Attaches()[0].handle;
  bus_->Unplug(last_unit_);
  ASSERT_TRUE(WaitDetaches(1));
  EXPECT_EQ(Detaches()[0].handle, first);
  bus_->Replug(last_unit_);
  ASSERT_TRUE(WaitAttaches(2));
  EXPECT_NE(Attaches()[1].handle, first);
}

}  // namespace
}  // namespace usbkit_test
