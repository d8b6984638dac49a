// An extended unit whose calibration cannot be read, or reads a span of 0.
#include "readings.h"
#include "sim_fixture.h"
#include "thermo.h"

namespace {

using drivertest::SimDriverTest;
using mdxdrv::devTable;

class Calibration : public SimDriverTest {
 protected:
  // Plugs an extended unit as unit ID 0 measuring 100 degrees K.
  int Plug() {
    const int unit = usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 4);
    usbkit_sim_set_temperature(unit, mdxconv::kTypeK, 100, 25);
    return unit;
  }
};

TEST_F(Calibration, FailedReadAtOpenIsRetriedAtTheNextReading) {
  const int unit = Plug();
  StartToolkit();
  usbkit_sim_fail_transfers(unit, 2);  // the calibration's write; the notice's write
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  EXPECT_FALSE(devTable[0].calibrated);
  EXPECT_EQ(devTable[0].calScale, 0);

  usbkit_sim_clear_requests(unit);
  double value = 0;
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, mdxconv::kTypeK), MDX4A_OK);
  EXPECT_NEAR(value, 100, 0.3);
  EXPECT_EQ(Requests(unit), (std::vector<std::vector<uint8_t>>{{0x60}, {0x10}}));
  EXPECT_TRUE(devTable[0].calibrated);
}

TEST_F(Calibration, ReadingsOfAnUncalibratedUnitFailInsteadOfGuessing) {
  const int unit = Plug();
  StartToolkit();
  usbkit_sim_fail_transfers(unit, 1);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);

  double value = 12345;
  double values[4] = {1, 2, 3, 4};
  uint8_t status[4] = {};
  uint8_t count = 4;
  for (uint8_t type : {uint8_t{mdxconv::kTypeK}, uint8_t{8}}) {
    usbkit_sim_fail_transfers(unit, 1);
    EXPECT_EQ(Mdx4a_Single_Sample(0, &value, type), MDX4A_ERR_USB);
    usbkit_sim_fail_transfers(unit, 1);
    EXPECT_EQ(Mdx4a_Get_Datas(0, values, status, &count, type), MDX4A_ERR_USB);
  }
  EXPECT_EQ(value, 12345);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(values[0], 1);
  EXPECT_TRUE(devTable[0].opened);
}

TEST_F(Calibration, ZeroSpanIsNeverDividedBy) {
  const int unit = Plug();
  usbkit_sim_set_calibration(unit, 4096, 0);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  EXPECT_FALSE(devTable[0].calibrated);
  double value = 12345;
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_ERR_USB);
  EXPECT_EQ(value, 12345);

  // Once the unit reports a proper span, readings come back.
  usbkit_sim_set_calibration(unit, 4096, 40960);
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, mdxconv::kTypeK), MDX4A_OK);
  EXPECT_NEAR(value, 100, 0.3);
  EXPECT_EQ(devTable[0].calOffset, 4096);
}

TEST_F(Calibration, ShortCalibrationReplyIsNotUsed) {
  const int unit = Plug();
  const uint8_t half[4] = {0x00, 0x00, 0x10, 0x00};
  usbkit_sim_push_reply(unit, 0x60, half, sizeof half);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  EXPECT_FALSE(devTable[0].calibrated);
}

}  // namespace
