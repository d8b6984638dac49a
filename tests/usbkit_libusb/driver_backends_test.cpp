// The driver library's exports on both back ends: what the program sees of a unit does not
// depend on whether it is simulated or reached through libusb.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "devtable.h"
#include "mdxdrv.h"
#include "rig.h"

namespace usbkit_test {
namespace {

using std::chrono::steady_clock;

class DriverBackendsTest : public ::testing::TestWithParam<BackendKind> {
 protected:
  void SetUp() override { rig_ = Rig::Make(GetParam()); }
  void TearDown() override {
    for (int16_t id = 0; id < 4; ++id) Mdx4a_Device_Close(id);
    mdxdrv::CloseToolkit();
    rig_.reset();
  }

  // Repeats call until it gives want or three seconds have passed; returns the last result.
  template <typename Call>
  static int16_t Eventually(int16_t want, Call call) {
    const auto end = steady_clock::now() + std::chrono::seconds(3);
    int16_t got = call();
    while (got != want && steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      got = call();
    }
    return got;
  }

  std::unique_ptr<Rig> rig_;
};

TEST_P(DriverBackendsTest, OpenedUnitsOfBothModelsReadTheirTemperatures) {
  const int base = rig_->Plug(0, 0x00);      // unit ID 0
  const int extended = rig_->Plug(1, 0x05);  // unit ID 1
  rig_->SetTemperature(base, MDX4A_TYPE_K, 100.0, 25.0);
  rig_->SetTemperature(extended, MDX4A_TYPE_J, 200.0, 20.0);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  ASSERT_EQ(Mdx4a_Device_Open(1), MDX4A_OK);
  double value = 0;
  ASSERT_EQ(Mdx4a_Single_Sample(0, &value, MDX4A_TYPE_K), MDX4A_OK);
  EXPECT_NEAR(value, 100.0, 0.5);
  ASSERT_EQ(Mdx4a_Single_Sample(1, &value, MDX4A_TYPE_J), MDX4A_OK);
  EXPECT_NEAR(value, 200.0, 0.5);
}

TEST_P(DriverBackendsTest, TimedSamplingIsFetchedFromBothModels) {
  const int base = rig_->Plug(0, 0x03);      // unit ID 3
  const int extended = rig_->Plug(1, 0x06);  // unit ID 2
  rig_->SetTemperature(base, MDX4A_TYPE_K, 60.0, 25.0);
  rig_->SetTemperature(extended, MDX4A_TYPE_T, -20.0, 22.0);
  ASSERT_EQ(Mdx4a_Device_Open(3), MDX4A_OK);
  ASSERT_EQ(Mdx4a_Device_Open(2), MDX4A_OK);
  ASSERT_EQ(Mdx4a_Start_Sample(3, 1), MDX4A_OK);
  ASSERT_EQ(Mdx4a_Start_Sample(2, 1), MDX4A_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (auto [id, type, want] :
       {std::tuple<int16_t, uint8_t, double>{3, MDX4A_TYPE_K, 60.0}, {2, MDX4A_TYPE_T, -20.0}}) {
    SCOPED_TRACE(id);
    double values[MDX4A_MAX_FETCH];
    uint8_t status[MDX4A_MAX_FETCH];
    uint8_t count = 7;
    ASSERT_EQ(Mdx4a_Get_Datas(id, values, status, &count, type), MDX4A_OK);
    ASSERT_EQ(count, 7);
    for (int k = 0; k < count; ++k) EXPECT_NEAR(values[k], want, 0.5);
  }
}

TEST_P(DriverBackendsTest, PulledUnitIsNoLongerOpenAndReopensOnceBack) {
  const int unit = rig_->Plug(0, 0x01);  // unit ID 2
  ASSERT_EQ(Mdx4a_Device_Open(2), MDX4A_OK);
  rig_->Unplug(unit);
  double value = 0;
  EXPECT_EQ(Eventually(MDX4A_ERR_NOT_OPEN, [&] { return Mdx4a_Single_Sample(2, &value, 4); }),
            MDX4A_ERR_NOT_OPEN);
  rig_->Replug(unit);
  EXPECT_EQ(Eventually(MDX4A_OK, [] { return Mdx4a_Device_Open(2); }), MDX4A_OK);
  EXPECT_EQ(Mdx4a_Single_Sample(2, &value, MDX4A_TYPE_VOLTAGE), MDX4A_OK);
}

TEST_P(DriverBackendsTest, PullingOneOfTwoOpenUnitsLeavesTheOtherReadable) {
  const int pulled = rig_->Plug(0, 0x00);  // unit ID 0
  const int kept = rig_->Plug(0, 0x03);    // unit ID 3
  rig_->SetTemperature(kept, MDX4A_TYPE_K, 80.0, 25.0);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  ASSERT_EQ(Mdx4a_Device_Open(3), MDX4A_OK);
  rig_->Unplug(pulled);
  double value = 0;
  ASSERT_EQ(Eventually(MDX4A_ERR_NOT_OPEN, [&] { return Mdx4a_Single_Sample(0, &value, 4); }),
            MDX4A_ERR_NOT_OPEN);
  ASSERT_EQ(Mdx4a_Single_Sample(3, &value, MDX4A_TYPE_K), MDX4A_OK);
  EXPECT_NEAR(value, 80.0, 0.5);
}

TEST_P(DriverBackendsTest, FailedTransferIsAUsbErrorAndTheUnitStaysOpen) {
  const int unit = rig_->Plug(0, 0x00);
  ASSERT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  rig_->FailTransfers(unit, 1);
  double value = 0;
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, MDX4A_TYPE_K), MDX4A_ERR_USB);
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, MDX4A_TYPE_K), MDX4A_OK);
}

INSTANTIATE_TEST_SUITE_P(Backends, DriverBackendsTest,
                         ::testing::Values(BackendKind::kSimulated, BackendKind::kLibusb),
                         ::testing::PrintToStringParamName());

}  // namespace
}  // namespace usbkit_test
