// The toolkit's contract, run against both back ends: simulated units and units on the
// emulated USB bus reached through libusb.
#include <chrono>
#include <thread>

#include "rig.h"
#include "toolkit_fixture.h"

namespace usbkit_test {
namespace {

class BothBackendsTest : public ::testing::TestWithParam<BackendKind>, public HandlerLog {
 protected:
  void SetUp() override { rig_ = Rig::Make(GetParam()); }
  void TearDown() override {
    Close();
    rig_.reset();
  }
  std::unique_ptr<Rig> rig_;
};

TEST_P(BothBackendsTest, EveryUnitPresentIsProbedAndTaken) {
  rig_->Plug(0, 0x00);
  rig_->Plug(1, 0x05);
  Open();
  ASSERT_TRUE(WaitAttaches(2));
  auto calls = Attaches();
  EXPECT_EQ(calls[0].id_byte + calls[1].id_byte, 0x05);
  for (const AttachCall& call : calls) {
    EXPECT_EQ(call.probe_status, USBKIT_STATUS_SUCCESS);
    EXPECT_EQ(call.reset_status, USBKIT_STATUS_SUCCESS);
    EXPECT_EQ(call.info.vendor_id, 0x0BA0);
    EXPECT_EQ(call.info.product_id, 0x000F);
    EXPECT_NE(call.thread, std::this_thread::get_id());
  }
  EXPECT_NE(calls[0].handle, calls[1].handle);
}

// Sends one command and reads its reply; returns the bytes the read moved.
uint32_t Exchange(WDU_DEVICE_HANDLE h, std::vector<uint8_t> request, std::vector<uint8_t>* reply,
                  uint32_t read_length) {
  EXPECT_EQ(Write(h, request), USBKIT_STATUS_SUCCESS);
  reply->assign(read_length, 0xEE);
  uint32_t moved = 0;
  EXPECT_EQ(Read(h, reply->data(), read_length, &moved), USBKIT_STATUS_SUCCESS);
  return moved;
}

TEST_P(BothBackendsTest, CommandsGetRepliesInEachModelsLayout) {
  const int base = rig_->Plug(0, 0x00);
  Open();
  WDU_DEVICE_HANDLE h = AttachedHandle();
  ASSERT_NE(h, nullptr);
  std::vector<uint8_t> reply;
  EXPECT_EQ(Exchange(h, {0x40}, &reply, 1), 1u);
  EXPECT_EQ(Exchange(h, {0x10}, &reply, 10), 10u);
  ASSERT_EQ(Write(h, {0x20, 0x00, 0x01}), USBKIT_STATUS_SUCCESS);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  const uint32_t moved = Exchange(h, {0x30, 0x07}, &reply, 1700);
  EXPECT_EQ(reply[1], 7);
  // Seven records: five in the first 64-byte block, two in the second.
  EXPECT_GE(moved, 2u + 64u + 2u * 12u);
  const std::vector<std::vector<uint8_t>> sent = {
      {0xF0}, {0x40}, {0x10}, {0x20, 0x00, 0x01}, {0x30, 0x07}};
  EXPECT_EQ(rig_->Requests(base), sent);

  Close();
  rig_->Unplug(base);
  rig_->Plug(1, 0x04);
  Open();
  ASSERT_TRUE(WaitAttaches(2));
  h = Attaches()[1].handle;
  EXPECT_EQ(Attaches()[1].id_byte, 0x04);
  EXPECT_EQ(Exchange(h, {0x60}, &reply, 7), 7u);
  EXPECT_EQ(Exchange(h, {0x10}, &reply, 6), 6u);
}

TEST_P(BothBackendsTest, FailedTransfersReturnAllOnesAndTheNextOnesWork) {
  const int unit = rig_->Plug(0, 0x01);
  Open();
  WDU_DEVICE_HANDLE h = AttachedHandle();
  ASSERT_NE(h, nullptr);
  rig_->FailTransfers(unit, 1);
  EXPECT_EQ(Write(h, {0x40}), 0xFFFFFFFFu);
  std::vector<uint8_t> reply;
  EXPECT_EQ(Exchange(h, {0x40}, &reply, 1), 1u);
}

TEST_P(BothBackendsTest, PulledUnitIsDetachedWithItsHandleAndComesBackWithANewOne) {
  const int unit = rig_->Plug(0, 0x02);
  Open();
  WDU_DEVICE_HANDLE first = AttachedHandle();
  ASSERT_NE(first, nullptr);
  rig_->Unplug(unit);
  ASSERT_TRUE(WaitDetaches(1));
  EXPECT_EQ(Detaches()[0].handle, first);
  EXPECT_EQ(Detaches()[0].thread, Attaches()[0].thread);
  EXPECT_EQ(Write(first, {0x40}), USBKIT_STATUS_FAILED);
  rig_->Replug(unit);
  ASSERT_TRUE(WaitAttaches(2));
  WDU_DEVICE_HANDLE second = Attaches()[1].handle;
  EXPECT_NE(second, first);
  EXPECT_EQ(Write(second, {0x40}), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(Write(first, {0x40}), USBKIT_STATUS_FAILED);
}

TEST_P(BothBackendsTest, ClosedToolkitFailsOldHandlesAndReopensWithTheUnitsPresent) {
  rig_->Plug(0, 0x03);
  Open();
  WDU_DEVICE_HANDLE first = AttachedHandle();
  ASSERT_NE(first, nullptr);
  Close();
  EXPECT_EQ(Write(first, {0x40}), USBKIT_STATUS_FAILED);
  EXPECT_TRUE(Detaches().empty());
  Open();
  ASSERT_TRUE(WaitAttaches(2));
  EXPECT_EQ(Attaches()[1].id_byte, 0x03);
  EXPECT_EQ(Write(Attaches()[1].handle, {0x40}), USBKIT_STATUS_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(Backends, BothBackendsTest,
                         ::testing::Values(BackendKind::kSimulated, BackendKind::kLibusb),
                         ::testing::PrintToStringParamName());

}  // namespace
}  // namespace usbkit_test
