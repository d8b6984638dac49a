// Bytes on the wire for every command, and the replies of both models as the exports see them.
#include <cmath>

#include "readings.h"
#include "sim_fixture.h"
#include "thermo.h"

namespace {

using drivertest::SimDriverTest;
using Bytes = std::vector<uint8_t>;

class Wire : public SimDriverTest {};

TEST_F(Wire, OpenProbesThenNotifiesAndCalibratesOnlyExtendedUnits) {
  const int base = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 0);
  const int extended = usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 4 | 3);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  ASSERT_EQ(Mdx4a_Device_Open(3), MDX4A_OK);
  EXPECT_EQ(Requests(base), (std::vector<Bytes>{{0xF0}, {0x40}}));
  EXPECT_EQ(Requests(extended), (std::vector<Bytes>{{0xF0}, {0x60}, {0x40}}));
  Mdx4a_Device_Close(3);
  EXPECT_EQ(LastRequest(extended), Bytes{0x50});
}

TEST_F(Wire, SamplingCommands) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  ASSERT_EQ(Mdx4a_Start_Sample(0, 300), MDX4A_OK);
  EXPECT_EQ(LastRequest(unit), (Bytes{0x20, 0x01, 0x2C}));
  ASSERT_EQ(Mdx4a_Start_Sample(0, 10000), MDX4A_OK);
  EXPECT_EQ(LastRequest(unit), (Bytes{0x20, 0x27, 0x10}));
  ASSERT_EQ(Mdx4a_Start_Sample(0, 1), MDX4A_OK);
  EXPECT_EQ(LastRequest(unit), (Bytes{0x20, 0x00, 0x01}));

  double values[128];
  uint8_t status[128];
  uint8_t count = 128;
  ASSERT_EQ(Mdx4a_Get_Datas(0, values, status, &count, 8), MDX4A_OK);
  EXPECT_EQ(LastRequest(unit), (Bytes{0x30, 0x80}));
  double value = 0;
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_OK);
  EXPECT_EQ(LastRequest(unit), Bytes{0x10});
  EXPECT_EQ(Requests(unit).size(), 5u);
}

TEST_F(Wire, BaseSingleReadingFromScriptedReply) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  // w0..w4 = 0, 0, 0, 1000, 1655, least significant byte first.
  const uint8_t reply[10] = {0, 0, 0, 0, 0, 0, 0xE8, 0x03, 0x77, 0x06};
  usbkit_sim_push_reply(unit, 0x10, reply, sizeof reply);
  double value = 0;
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_OK);
  EXPECT_DOUBLE_EQ(value, 999.45068359375);
  // Same words for a thermocouple: w0 = w1, no reference current, no value.
  usbkit_sim_push_reply(unit, 0x10, reply, sizeof reply);
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, 4), MDX4A_OK);
  EXPECT_EQ(value, MDX4A_NO_VALUE);
}

TEST_F(Wire, ExtendedCalibrationReplyAndReadings) {
  const int unit = usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 4);
  const uint8_t cal[7] = {0x00, 0x00, 0x10, 0x00, 0x00, 0xA0, 0x00};
  usbkit_sim_push_reply(unit, 0x60, cal, sizeof cal);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  EXPECT_EQ(mdxdrv::devTable[0].calOffset, 4096);
  EXPECT_DOUBLE_EQ(mdxdrv::devTable[0].calScale, 60000.0 / 40960);

  // m = 45056 (0x00B000), r = 0x19999A.
  const uint8_t reading[6] = {0x00, 0xB0, 0x00, 0x19, 0x99, 0x9A};
  usbkit_sim_push_reply(unit, 0x10, reading, sizeof reading);
  double value = 0;
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_OK);
  EXPECT_DOUBLE_EQ(value, 60000);
  const uint8_t zero[6] = {0x00, 0x10, 0x00, 0x19, 0x99, 0x9A};
  usbkit_sim_push_reply(unit, 0x10, zero, sizeof zero);
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_OK);
  EXPECT_DOUBLE_EQ(value, 0);
  // An EMF of 0 is the reference junction's own temperature.
  usbkit_sim_push_reply(unit, 0x10, zero, sizeof zero);
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, 4), MDX4A_OK);
  EXPECT_NEAR(value, mdxconv::ThermistorToCelsius(0x19999A * mdxdrv::kThermistorPerCount), 0.1);
}

TEST_F(Wire, BaseFetchOfSevenCrossesTheBlockBoundary) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  uint8_t reply[1700] = {};
  reply[1] = 7;
  for (int k = 0; k < 7; ++k) {
    const int at = k < 5 ? 2 + 12 * k : (k == 5 ? 66 : 78);
    reply[at + 8] = static_cast<uint8_t>(10 * (k + 1));  // w4 low byte
    reply[at + 10] = static_cast<uint8_t>(0xA0 + k);
  }
  usbkit_sim_push_reply(unit, 0x30, reply, 90);
  double values[7];
  uint8_t status[7];
  uint8_t count = 7;
  ASSERT_EQ(Mdx4a_Get_Datas(0, values, status, &count, 8), MDX4A_OK);
  ASSERT_EQ(count, 7);
  for (int k = 0; k < 7; ++k) {
    EXPECT_DOUBLE_EQ(values[k], 10 * (k + 1) * 1.52587890625) << k;
    EXPECT_EQ(status[k], 0xA0 + k) << k;
  }
}

TEST_F(Wire, ExtendedFetchLayout) {
  const int unit = usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 4);
  const uint8_t cal[7] = {0x00, 0x00, 0x10, 0x00, 0x00, 0xA0, 0x00};
  usbkit_sim_push_reply(unit, 0x60, cal, sizeof cal);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  uint8_t reply[23] = {0xFF, 2};
  // Reading 0: m at 5..7, status at 12; reading 1: m at 15..17, status at 22.
  reply[5] = 0x00, reply[6] = 0xB0, reply[7] = 0x00, reply[12] = 0x11;
  reply[15] = 0x00, reply[16] = 0x10, reply[17] = 0x00, reply[22] = 0x22;
  reply[3] = reply[4] = reply[8] = reply[13] = reply[14] = reply[18] = 0xFF;
  usbkit_sim_push_reply(unit, 0x30, reply, sizeof reply);
  double values[2];
  uint8_t status[2];
  uint8_t count = 2;
  ASSERT_EQ(Mdx4a_Get_Datas(0, values, status, &count, 8), MDX4A_OK);
  ASSERT_EQ(count, 2);
  EXPECT_DOUBLE_EQ(values[0], 60000);
  EXPECT_DOUBLE_EQ(values[1], 0);
  EXPECT_EQ(status[0], 0x11);
  EXPECT_EQ(status[1], 0x22);
}

TEST_F(Wire, OverclaimingUnitIsHeldToTheCountAskedFor) {
  for (int model : {USBKIT_SIM_MODEL_BASE, USBKIT_SIM_MODEL_EXTENDED}) {
    const int16_t id = model == USBKIT_SIM_MODEL_BASE ? 0 : 3;
    const int unit = PlugAndOpen(model, model == USBKIT_SIM_MODEL_BASE ? 0 : 7, id);
    usbkit_sim_set_temperature(unit, mdxconv::kTypeK, 150, 25);
    ASSERT_EQ(Mdx4a_Start_Sample(id, 1), MDX4A_OK);
    usbkit_sim_advance_ms(2000);
    usbkit_sim_overclaim_fetch(unit, 50);
    std::vector<double> values(5, -1);
    std::vector<uint8_t> status(5, 0);
    uint8_t count = 5;
    ASSERT_EQ(Mdx4a_Get_Datas(id, values.data(), status.data(), &count, 4), MDX4A_OK);
    EXPECT_EQ(count, 5) << model;
    // A reply claiming 255 against a count of 128.
    uint8_t big[1700] = {0, 255};
    usbkit_sim_push_reply(unit, 0x30, big, sizeof big);
    std::vector<double> many(128);
    std::vector<uint8_t> many_status(128);
    count = 128;
    ASSERT_EQ(Mdx4a_Get_Datas(id, many.data(), many_status.data(), &count, 8), MDX4A_OK);
    EXPECT_EQ(count, 128) << model;
  }
}

TEST_F(Wire, SilentUnitTimesOutAfterThirtySeconds) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  usbkit_sim_set_unresponsive(unit, 1);
  const double before = usbkit_sim_now_ms();
  double value = 0;
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_ERR_USB);
  EXPECT_DOUBLE_EQ(usbkit_sim_now_ms() - before, 30000);
  usbkit_sim_set_unresponsive(unit, 0);
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_OK);
}

TEST_F(Wire, ShortRepliesAreNotTakenForReadings) {
  // A probe answer of one byte has no ID byte: the unit is refused.
  const int refused = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 1);
  const uint8_t one = 0xF0;
  usbkit_sim_push_reply(refused, 0xF0, &one, 1);
  EXPECT_EQ(Mdx4a_Device_Open(2), MDX4A_ERR_NOT_FOUND);

  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  const uint8_t half[5] = {0x10, 0x27, 0x10, 0x27, 0x00};
  usbkit_sim_push_reply(unit, 0x10, half, sizeof half);
  double value = 12345;
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_ERR_USB);
  EXPECT_EQ(value, 12345);
}

TEST_F(Wire, EmptyFetchStoresNothing) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  const uint8_t reply[2] = {0, 0};
  usbkit_sim_push_reply(unit, 0x30, reply, sizeof reply);
  double values[3] = {-1, -1, -1};
  uint8_t status[3] = {9, 9, 9};
  uint8_t count = 3;
  ASSERT_EQ(Mdx4a_Get_Datas(0, values, status, &count, 8), MDX4A_OK);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(values[0], -1);
  EXPECT_EQ(status[0], 9);
}

TEST_F(Wire, PhysicalModelRoundTrip) {
  const int base = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  const int extended = PlugAndOpen(USBKIT_SIM_MODEL_EXTENDED, 4 | 3, 3);
  const struct {
    int type;
    double hot;
  } cases[] = {{mdxconv::kTypeB, 1200},
               {mdxconv::kTypeK, 350},
               {mdxconv::kTypeT, -100},
               {mdxconv::kTypeJ, 700}};
  for (const auto& c : cases) {
    for (int unit : {base, extended}) {
      const int16_t id = unit == base ? 0 : 3;
      usbkit_sim_set_temperature(unit, c.type, c.hot, 23.5);
      double value = 0;
      ASSERT_EQ(Mdx4a_Single_Sample(id, &value, static_cast<uint8_t>(c.type)), MDX4A_OK);
      EXPECT_NEAR(value, c.hot, 0.3) << "type " << c.type << " unit " << id;
      ASSERT_EQ(Mdx4a_Single_Sample(id, &value, 8), MDX4A_OK);
      EXPECT_NEAR(value, mdxconv::TcEmf(c.type, c.hot) - mdxconv::TcEmf(c.type, 23.5), 3)
          << "type " << c.type << " unit " << id;
    }
  }
}

TEST_F(Wire, TimedSamplingDeliversBufferedReadings) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_EXTENDED, 4 | 2, 2);
  usbkit_sim_set_temperature(unit, mdxconv::kTypeK, 200, 20);
  ASSERT_EQ(Mdx4a_Start_Sample(2, 10), MDX4A_OK);  // every 100 ms
  usbkit_sim_advance_ms(1000);
  double values[128];
  uint8_t status[128];
  uint8_t count = 128;
  ASSERT_EQ(Mdx4a_Get_Datas(2, values, status, &count, 4), MDX4A_OK);
  EXPECT_GE(count, 9);
  EXPECT_LE(count, 11);
  for (int k = 0; k < count; ++k) EXPECT_NEAR(values[k], 200, 0.3) << k;
}

}  // namespace
