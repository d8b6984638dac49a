// The bytes on the wire: requests as logged, replies in each model's layout.
#include "sim_fixture.h"

namespace usbkit_test {
namespace {

using Bytes = std::vector<uint8_t>;

class WireTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    usbkit_sim_use_manual_clock(1);
    ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  }

  // Plugs a unit of the model, attaches it and forgets the probe in its log.
  WDU_DEVICE_HANDLE Unit(int model, uint8_t id, int* number) {
    *number = PlugAndWait(model, id);
    usbkit_sim_clear_requests(*number);
    return HandleOf(id);
  }

  Bytes Ask(WDU_DEVICE_HANDLE h, Bytes request, size_t reply_len) {
    Bytes reply;
    EXPECT_EQ(Exchange(h, std::move(request), reply_len, &reply), USBKIT_STATUS_SUCCESS);
    return reply;
  }
};

uint32_t Be24(const Bytes& b, size_t at) {
  return (b[at] << 16) | (b[at + 1] << 8) | b[at + 2];
}

TEST_F(WireTest, ProbeNoticesAndCalibrationReplies) {
  int base_no = 0, ext_no = 0;
  WDU_DEVICE_HANDLE base = Unit(USBKIT_SIM_MODEL_BASE, 2, &base_no);
  WDU_DEVICE_HANDLE ext = Unit(USBKIT_SIM_MODEL_EXTENDED, 6, &ext_no);
  ASSERT_NE(base, nullptr);
  ASSERT_NE(ext, nullptr);

  EXPECT_EQ(Ask(base, {0xF0}, 2).at(1), 2);
  EXPECT_EQ(Ask(ext, {0xF0}, 2).at(1), 6);
  EXPECT_EQ(Ask(ext, {0x40}, 1).size(), 1u);
  EXPECT_EQ(Ask(ext, {0x50}, 1).size(), 1u);

  usbkit_sim_set_calibration(ext_no, 4096, 40960);
  Bytes cal = Ask(ext, {0x60}, 7);
  ASSERT_EQ(cal.size(), 7u);
  EXPECT_EQ(Bytes(cal.begin() + 1, cal.end()), (Bytes{0x00, 0x10, 0x00, 0x00, 0xA0, 0x00}));
  usbkit_sim_set_calibration(ext_no, 0xABCDEF, 0x123456);
  cal = Ask(ext, {0x60}, 7);
  EXPECT_EQ(Be24(cal, 1), 0xABCDEFu);
  EXPECT_EQ(Be24(cal, 4), 0x123456u);

  std::vector<Bytes> log = Requests(ext_no);
  EXPECT_EQ(log, (std::vector<Bytes>{{0xF0}, {0x40}, {0x50}, {0x60}, {0x60}}));
}

TEST_F(WireTest, SingleReadingLengthsAndSamplingRequestsAreLoggedExactly) {
  int base_no = 0, ext_no = 0;
  WDU_DEVICE_HANDLE base = Unit(USBKIT_SIM_MODEL_BASE, 0, &base_no);
  WDU_DEVICE_HANDLE ext = Unit(USBKIT_SIM_MODEL_EXTENDED, 4, &ext_no);
  // A generous read receives only what the unit sends.
  EXPECT_EQ(Ask(base, {0x10}, 64).size(), 10u);
  EXPECT_EQ(Ask(ext, {0x10}, 64).size(), 6u);

  EXPECT_EQ(Exchange(base, {0x20, 0x01, 0x2C}, 0), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(Exchange(base, {0x20, 0x27, 0x10}, 0), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(Ask(base, {0x30, 0x80}, 1700).at(1), 0);
  std::vector<Bytes> log = Requests(base_no);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1], (Bytes{0x20, 0x01, 0x2C}));
  EXPECT_EQ(log[2], (Bytes{0x20, 0x27, 0x10}));
  EXPECT_EQ(log[3], (Bytes{0x30, 0x80}));
}

TEST_F(WireTest, StartSamplingLeavesNothingToRead) {
  int no = 0;
  WDU_DEVICE_HANDLE h = Unit(USBKIT_SIM_MODEL_BASE, 0, &no);
  EXPECT_EQ(Exchange(h, {0x20, 0x00, 0x64}, 0), USBKIT_STATUS_SUCCESS);
  double before = usbkit_sim_now_ms();
  uint8_t buffer[8];
  EXPECT_EQ(
      WDU_Transfer(h, kReadPipe, USBKIT_READ, 0, buffer, sizeof buffer, nullptr, nullptr, 500),
      USBKIT_STATUS_FAILED);
  // On the manual clock the read's time-out passed at once.
  EXPECT_DOUBLE_EQ(usbkit_sim_now_ms() - before, 500.0);
}

TEST_F(WireTest, FetchRecordsSitWhereEachModelPutsThem) {
  int base_no = 0, ext_no = 0;
  WDU_DEVICE_HANDLE base = Unit(USBKIT_SIM_MODEL_BASE, 0, &base_no);
  WDU_DEVICE_HANDLE ext = Unit(USBKIT_SIM_MODEL_EXTENDED, 4, &ext_no);
  usbkit_sim_set_temperature(base_no, 4, 180.0, 21.0);
  usbkit_sim_set_temperature(ext_no, 4, 180.0, 21.0);
  // At a constant temperature every buffered reading equals a single reading.
  Bytes base_single = Ask(base, {0x10}, 10);
  Bytes ext_single = Ask(ext, {0x10}, 6);
  ASSERT_EQ(Exchange(base, {0x20, 0x00, 0x01}, 0), USBKIT_STATUS_SUCCESS);
  ASSERT_EQ(Exchange(ext, {0x20, 0x00, 0x01}, 0), USBKIT_STATUS_SUCCESS);
  usbkit_sim_advance_ms(10 * 200);

  Bytes b = Ask(base, {0x30, 7}, 1700);
  ASSERT_EQ(b.at(1), 7);
  ASSERT_GE(b.size(), 90u);
  for (size_t k = 0; k < 7; ++k) {
    size_t at = 2 + 64 * (k / 5) + 12 * (k % 5);
    EXPECT_EQ(Bytes(b.begin() + at, b.begin() + at + 10), base_single) << "reading " << k;
    EXPECT_EQ(b[at + 10], 0) << "status of reading " << k;
  }

  Bytes e = Ask(ext, {0x30, 128}, 1700);
  ASSERT_EQ(e.at(1), 128);
  ASSERT_GE(e.size(), 1283u);
  for (size_t k = 0; k < 128; ++k) {
    EXPECT_EQ(Be24(e, 5 + 10 * k), Be24(ext_single, 0)) << "m of reading " << k;
    EXPECT_EQ(Be24(e, 9 + 10 * k), Be24(ext_single, 3)) << "r of reading " << k;
    EXPECT_EQ(e[12 + 10 * k], 0) << "status of reading " << k;
  }

  // A full base fetch ends inside the 1700-byte reply.
  Bytes full = Ask(base, {0x30, 128}, 1700);
  ASSERT_EQ(full.at(1), 128);
  EXPECT_GE(full.size(), 1638u);
  EXPECT_LE(full.size(), 1700u);
  EXPECT_EQ(Bytes(full.begin() + 1626, full.begin() + 1636), base_single);
}

TEST_F(WireTest, ScriptedRepliesComeOutExactlyInOrderThenTheUnitAnswersAgain) {
  int no = 0;
  WDU_DEVICE_HANDLE h = Unit(USBKIT_SIM_MODEL_BASE, 0, &no);
  const uint8_t first[] = {0x11, 0x22, 0x33};
  const uint8_t second[] = {0xE8, 0x03, 0, 0, 0, 0, 0xE8, 0x03, 0x77, 0x06};
  usbkit_sim_push_reply(no, 0x10, first, sizeof first);
  usbkit_sim_push_reply(no, 0x10, second, sizeof second);
  const uint8_t probe[] = {0x00, 0x09};
  usbkit_sim_push_reply(no, 0xF0, probe, sizeof probe);

  EXPECT_EQ(Ask(h, {0x10}, 10), Bytes(first, first + 3));
  EXPECT_EQ(Ask(h, {0xF0}, 2), Bytes(probe, probe + 2));
  EXPECT_EQ(Ask(h, {0x10}, 10), Bytes(second, second + 10));
  Bytes own = Ask(h, {0x10}, 10);
  EXPECT_EQ(own.size(), 10u);
  EXPECT_NE(own, Bytes(second, second + 10));
}

TEST_F(WireTest, PipesAndDirectionsAreChecked) {
  int no = 0;
  WDU_DEVICE_HANDLE h = Unit(USBKIT_SIM_MODEL_BASE, 0, &no);
  uint8_t byte = 0x40;
  EXPECT_EQ(WDU_Transfer(h, kReadPipe, USBKIT_WRITE, 0, &byte, 1, nullptr, nullptr, 100),
            USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_Transfer(h, kWritePipe, USBKIT_READ, 0, &byte, 1, nullptr, nullptr, 100),
            USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_ResetPipe(h, 0x81), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(WDU_ResetPipe(h, 0x05), USBKIT_STATUS_FAILED);
  // Resetting the reply pipe discards a reply nobody read.
  ASSERT_EQ(Exchange(h, {0x40}, 0), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(WDU_ResetPipe(h, kReadPipe), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(WDU_Transfer(h, kReadPipe, USBKIT_READ, 0, &byte, 1, nullptr, nullptr, 100),
            USBKIT_STATUS_FAILED);
  EXPECT_EQ(Requests(no).size(), 1u);
}

}  // namespace
}  // namespace usbkit_test
