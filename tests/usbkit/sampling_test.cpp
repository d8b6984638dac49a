// The unit's own timed sampling on the manual clock: pace, buffer, draining in order.
#include "sim_fixture.h"

namespace usbkit_test {
namespace {

using Bytes = std::vector<uint8_t>;

// One degree per second of the unit's clock, so every reading differs from the one before.
double Ramp(void*, double time_ms) {
  return 20.0 + time_ms / 1000.0;
}

int BaseEmfCounts(const Bytes& reply, size_t k) {
  size_t at = 2 + 64 * (k / 5) + 12 * (k % 5);
  int w3 = reply[at + 6] | (reply[at + 7] << 8);
  int w4 = reply[at + 8] | (reply[at + 9] << 8);
  return w4 - w3;
}

int ExtendedM(const Bytes& reply, size_t k) {
  size_t at = 5 + 10 * k;
  return (reply[at] << 16) | (reply[at + 1] << 8) | reply[at + 2];
}

class SamplingTest : public SimTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    usbkit_sim_use_manual_clock(1);
    ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
    uint8_t id = GetParam() == USBKIT_SIM_MODEL_EXTENDED ? 4 : 0;
    unit_ = PlugAndWait(GetParam(), id);
    handle_ = HandleOf(id);
    ASSERT_NE(handle_, nullptr);
    usbkit_sim_set_temperature(unit_, 4, 20.0, 22.0);
    usbkit_sim_set_profile(unit_, &Ramp, nullptr);
  }

  Bytes Fetch(uint8_t count) {
    Bytes reply;
    EXPECT_EQ(Exchange(handle_, {0x30, count}, 1700, &reply), USBKIT_STATUS_SUCCESS);
    return reply;
  }

  int Value(const Bytes& reply, size_t k) {
    return GetParam() == USBKIT_SIM_MODEL_BASE ? BaseEmfCounts(reply, k) : ExtendedM(reply, k);
  }

  int unit_ = 0;
  WDU_DEVICE_HANDLE handle_ = nullptr;
};

TEST_P(SamplingTest, IntervalThreeHundredGivesOneReadingEveryThreeSeconds) {
  ASSERT_EQ(Exchange(handle_, {0x20, 0x01, 0x2C}, 0), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 0);
  usbkit_sim_advance_ms(2999);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 0);
  usbkit_sim_advance_ms(1);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 1);
  usbkit_sim_advance_ms(30000);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 11);

  Bytes first = Fetch(5);
  ASSERT_EQ(first.at(1), 5);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 6);
  Bytes rest = Fetch(128);
  ASSERT_EQ(rest.at(1), 6);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 0);
  EXPECT_EQ(Fetch(128).at(1), 0);

  // Readings come out oldest first, across fetches, as the ramp rose.
  std::vector<int> values;
  for (size_t k = 0; k < 5; ++k) values.push_back(Value(first, k));
  for (size_t k = 0; k < 6; ++k) values.push_back(Value(rest, k));
  for (size_t i = 1; i < values.size(); ++i) EXPECT_GT(values[i], values[i - 1]) << i;
}

TEST_P(SamplingTest, ReadingsAreTakenAtTheirOwnTimeNotAtTheFetch) {
  ASSERT_EQ(Exchange(handle_, {0x20, 0x00, 0x64}, 0), USBKIT_STATUS_SUCCESS);
  usbkit_sim_advance_ms(2000);
  // A setting changed now applies to readings due from now on.
  usbkit_sim_set_profile(unit_, nullptr, nullptr);
  usbkit_sim_set_temperature(unit_, 4, 900.0, 22.0);
  usbkit_sim_advance_ms(1000);
  Bytes reply = Fetch(2);
  ASSERT_EQ(reply.at(1), 2);
  Bytes tail = Fetch(1);
  ASSERT_EQ(tail.at(1), 1);
  EXPECT_LT(Value(reply, 0), Value(reply, 1));
  EXPECT_GT(Value(tail, 0) - Value(reply, 1), 100 * (Value(reply, 1) - Value(reply, 0)));
}

TEST_P(SamplingTest, StartDiscardsOldReadingsAndCloseStops) {
  ASSERT_EQ(Exchange(handle_, {0x20, 0x00, 0x01}, 0), USBKIT_STATUS_SUCCESS);
  usbkit_sim_advance_ms(100);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 10);
  ASSERT_EQ(Exchange(handle_, {0x20, 0x00, 0x02}, 0), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 0);
  usbkit_sim_advance_ms(100);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 5);
  ASSERT_EQ(Exchange(handle_, {0x50}, 1), USBKIT_STATUS_SUCCESS);
  usbkit_sim_advance_ms(100);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 0);
}

TEST_P(SamplingTest, FullBufferKeepsTheOldestReadings) {
  usbkit_sim_set_profile(unit_, nullptr, nullptr);
  ASSERT_EQ(Exchange(handle_, {0x20, 0x00, 0x01}, 0), USBKIT_STATUS_SUCCESS);
  usbkit_sim_advance_ms(700000);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 65536);
  EXPECT_EQ(Fetch(128).at(1), 128);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 65536 - 128);
  usbkit_sim_advance_ms(20);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 65536 - 126);
}

TEST_P(SamplingTest, ReplugStopsSampling) {
  ASSERT_EQ(Exchange(handle_, {0x20, 0x00, 0x01}, 0), USBKIT_STATUS_SUCCESS);
  usbkit_sim_advance_ms(50);
  usbkit_sim_unplug(unit_);
  usbkit_sim_replug(unit_);
  usbkit_sim_advance_ms(50);
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 0);
}

INSTANTIATE_TEST_SUITE_P(BothModels, SamplingTest,
                         ::testing::Values(USBKIT_SIM_MODEL_BASE, USBKIT_SIM_MODEL_EXTENDED),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == USBKIT_SIM_MODEL_BASE ? "Base" : "Extended";
                         });

}  // namespace
}  // namespace usbkit_test
