// Pipe transfers of the libusb back end against an emulated unit: the unit's commands and
// replies byte for byte, short and overlong replies, failing and stalled pipes, time-outs, and
// the transfer type taken from the endpoint descriptor.
#include <linux/usbdevice_fs.h>

#include <array>
#include <chrono>
#include <cstring>

#include "toolkit_fixture.h"

namespace usbkit_test {
namespace {

class LibusbTransferTest : public LibusbToolkitTest {
 protected:
  // Plugs one unit, opens the toolkit and waits for the unit to be taken.
  WDU_DEVICE_HANDLE Ready(uint8_t id_byte = 0x04, const UnitOptions& options = UnitOptions()) {
    unit_ = PlugUnit(id_byte, options);
    Open();
    return AttachedHandle();
  }
  ScriptedUnit* unit_ = nullptr;
};

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + 7 * i);
  return bytes;
}

TEST_F(LibusbTransferTest, EveryCommandAndItsReplyPassIntact) {
  WDU_DEVICE_HANDLE h = Ready();
  ASSERT_NE(h, nullptr);
  struct Exchange {
    std::vector<uint8_t> request;
    std::vector<uint8_t> reply;  // empty: the command has no reply
    uint32_t read_length;
  };
  // Replies of the lengths the driver reads: open notice, calibration, single readings of the
  // base and extended models, fetches of 7 base and 128 extended readings (read into the
  // 1700-byte buffer), start of timed sampling, close notice.
  unit_->Answer(0x60, {0x00, 0x00, 0x10, 0x00, 0x00, 0xA0, 0x00});
  const std::vector<Exchange> exchanges = {
      {{0x40}, {0x00}, 1},
      {{0x60}, {0x00, 0x00, 0x10, 0x00, 0x00, 0xA0, 0x00}, 7},
      {{0x10}, Pattern(10, 0x11), 10},
      {{0x10}, Pattern(6, 0x22), 6},
      {{0x20, 0x01, 0x2C}, {}, 0},
      {{0x30, 0x07}, Pattern(2 + 64 + 12 * 2, 0x33), 1700},
      {{0x30, 0x80}, Pattern(3 + 10 * 128, 0x44), 1700},
      {{0x50}, {0x00}, 1},
  };
  for (const Exchange& x : exchanges) {
    SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << int(x.request[0]));
    if (x.request[0] == 0x10 || x.request[0] == 0x30) unit_->Answer(x.request[0], x.reply);
    uint32_t moved = 99;
    std::vector<uint8_t> out = x.request;
    ASSERT_EQ(WDU_Transfer(h, kWritePipe, USBKIT_WRITE, 0, out.data(),
                           static_cast<uint32_t>(out.size()), &moved, nullptr, 30000),
              USBKIT_STATUS_SUCCESS);
    EXPECT_EQ(moved, out.size());
    EXPECT_EQ(bus_->Requests(last_unit_).back(), x.request);
    if (x.read_length == 0) continue;
    std::vector<uint8_t> in(x.read_length, 0xEE);
    ASSERT_EQ(Read(h, in.data(), x.read_length, &moved), USBKIT_STATUS_SUCCESS);
    ASSERT_EQ(moved, x.reply.size());
    EXPECT_TRUE(std::equal(x.reply.begin(), x.reply.end(), in.begin()));
  }
}

TEST_F(LibusbTransferTest, ShortReplySucceedsAndClearsTheRestOfTheBuffer) {
  WDU_DEVICE_HANDLE h = Ready();
  ASSERT_NE(h, nullptr);
  unit_->Answer(0x10, {0x01, 0x02, 0x03});
  ASSERT_EQ(Write(h, {0x10}), USBKIT_STATUS_SUCCESS);
  std::array<uint8_t, 10> in;
  in.fill(0xEE);
  uint32_t moved = 0;
  ASSERT_EQ(Read(h, in.data(), 10, &moved), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(moved, 3u);
  EXPECT_EQ(in, (std::array<uint8_t, 10>{1, 2, 3, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(LibusbTransferTest, ReplyLongerThanTheBufferFails) {
  WDU_DEVICE_HANDLE h = Ready();
  ASSERT_NE(h, nullptr);
  unit_->Answer(0x10, Pattern(12, 1));
  ASSERT_EQ(Write(h, {0x10}), USBKIT_STATUS_SUCCESS);
  std::array<uint8_t, 10> in{};
  uint32_t moved = 0;
  EXPECT_EQ(Read(h, in.data(), 10, &moved), USBKIT_STATUS_FAILED);
  EXPECT_EQ(moved, 0u);
}

TEST_F(LibusbTransferTest, FailedTransfersReturnAllOnesAndTheNextOnesWork) {
  WDU_DEVICE_HANDLE h = Ready();
  ASSERT_NE(h, nullptr);
  bus_->FailNext(last_unit_, 2);
  EXPECT_EQ(Write(h, {0x40}), USBKIT_STATUS_FAILED);
  uint8_t in[1];
  uint32_t moved = 0;
  EXPECT_EQ(Read(h, in, 1, &moved), USBKIT_STATUS_FAILED);
  EXPECT_EQ(Write(h, {0x40}), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(Read(h, in, 1, &moved), USBKIT_STATUS_SUCCESS);
}

TEST_F(LibusbTransferTest, StalledPipeFailsUntilItIsReset) {
  WDU_DEVICE_HANDLE h = Ready();
  ASSERT_NE(h, nullptr);
  bus_->Halt(last_unit_, 0x83);
  ASSERT_EQ(Write(h, {0x40}), USBKIT_STATUS_SUCCESS);
  uint8_t in[1];
  uint32_t moved = 0;
  EXPECT_EQ(Read(h, in, 1, &moved), USBKIT_STATUS_FAILED);
  EXPECT_EQ(Read(h, in, 1, &moved), USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_ResetPipe(h, 0x83), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(bus_->ClearedHalts(last_unit_), (std::vector<uint8_t>{0x81, 0x83}));
  EXPECT_EQ(Read(h, in, 1, &moved), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(moved, 1u);
}

TEST_F(LibusbTransferTest, UnansweredReadFailsAfterItsTimeOut) {
  WDU_DEVICE_HANDLE h = Ready();
  ASSERT_NE(h, nullptr);
  bus_->SetUnresponsive(last_unit_, true);
  ASSERT_EQ(Write(h, {0x40}), USBKIT_STATUS_SUCCESS);
  uint8_t in[1];
  uint32_t moved = 7;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(h, in, 1, &moved, 300), USBKIT_STATUS_FAILED);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(250));
  EXPECT_LT(took, std::chrono::seconds(3));
  EXPECT_EQ(moved, 0u);
  EXPECT_EQ(bus_->Discards(last_unit_), 1);
  // The unit answers again: the pending reply is what the next read gets.
  bus_->SetUnresponsive(last_unit_, false);
  EXPECT_EQ(Read(h, in, 1, &moved), USBKIT_STATUS_SUCCESS);
}

TEST_F(LibusbTransferTest, TransferTypeFollowsTheEndpointDescriptor) {
  UnitOptions interrupt_in;
  interrupt_in.reply_pipe_interrupt = true;
  WDU_DEVICE_HANDLE h = Ready(0x04, interrupt_in);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Attaches()[0].probe_status, USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(bus_->UrbType(last_unit_, 0x02), USBDEVFS_URB_TYPE_BULK);
  EXPECT_EQ(bus_->UrbType(last_unit_, 0x83), USBDEVFS_URB_TYPE_INTERRUPT);
}

TEST_F(LibusbTransferTest, PipesTheUnitDoesNotHaveOrTheWrongDirectionFail) {
  WDU_DEVICE_HANDLE h = Ready();
  ASSERT_NE(h, nullptr);
  const size_t before = bus_->Requests(last_unit_).size();
  uint8_t byte = 0x40;
  uint32_t moved = 0;
  EXPECT_EQ(WDU_Transfer(h, 0x05, USBKIT_WRITE, 0, &byte, 1, &moved, nullptr, 1000),
            USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_Transfer(h, kWritePipe, USBKIT_READ, 0, &byte, 1, &moved, nullptr, 1000),
            USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_Transfer(h, kReadPipe, USBKIT_WRITE, 0, &byte, 1, &moved, nullptr, 1000),
            USBKIT_STATUS_FAILED);
  EXPECT_EQ(bus_->Requests(last_unit_).size(), before);
  // A handle the toolkit never gave out.
  EXPECT_EQ(Write(reinterpret_cast<WDU_DEVICE_HANDLE>(0x1234), {0x40}), USBKIT_STATUS_FAILED);
}

}  // namespace
}  // namespace usbkit_test
