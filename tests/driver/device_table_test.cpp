// Device table and export contract: order of the checks, open and close, slots of both models,
// the attach wait and the toolkit connection's lifetime.
#include "readings.h"
#include "sim_fixture.h"

namespace {

using drivertest::PauseLog;
using drivertest::SimDriverTest;
using mdxdrv::devTable;
using mdxdrv::UnitToSlot;

class DeviceTable : public SimDriverTest {};

TEST(UnitMapping, SwapsOneAndTwoAndIsItsOwnInverse) {
  EXPECT_EQ(UnitToSlot(0), 0);
  EXPECT_EQ(UnitToSlot(1), 2);
  EXPECT_EQ(UnitToSlot(2), 1);
  EXPECT_EQ(UnitToSlot(3), 3);
  for (int id = 0; id < 4; ++id) EXPECT_EQ(UnitToSlot(UnitToSlot(id)), id);
}

TEST_F(DeviceTable, ChecksRunInOrderIdParametersOpenState) {
  double value = 0;
  double values[128];
  uint8_t status[128];
  uint8_t count = 200;
  for (int16_t bad : {int16_t{4}, int16_t{-1}, int16_t{0x7FFF}}) {
    EXPECT_EQ(Mdx4a_Device_Open(bad), MDX4A_ERR_PARAMETER);
    // The unit ID is looked at before the (also wrong) parameters.
    EXPECT_EQ(Mdx4a_Single_Sample(bad, &value, 9), MDX4A_ERR_ID);
    EXPECT_EQ(Mdx4a_Start_Sample(bad, 0), MDX4A_ERR_ID);
    EXPECT_EQ(Mdx4a_Get_Datas(bad, values, status, &count, 9), MDX4A_ERR_ID);
    Mdx4a_Device_Close(bad);
  }
  EXPECT_FALSE(mdxdrv::ToolkitOpen()) << "an out-of-range ID must not start the toolkit";

  // Parameters before the open state: unit 0 is not open, yet these give 8.
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 9), MDX4A_ERR_PARAMETER);
  EXPECT_EQ(Mdx4a_Start_Sample(0, 0), MDX4A_ERR_PARAMETER);
  EXPECT_EQ(Mdx4a_Start_Sample(0, 10001), MDX4A_ERR_PARAMETER);
  EXPECT_EQ(Mdx4a_Get_Datas(0, values, status, &count, 4), MDX4A_ERR_PARAMETER);
  count = 128;
  EXPECT_EQ(Mdx4a_Get_Datas(0, values, status, &count, 9), MDX4A_ERR_PARAMETER);
  // Valid parameters on a unit that is not open.
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_ERR_NOT_OPEN);
  EXPECT_EQ(Mdx4a_Start_Sample(0, 1), MDX4A_ERR_NOT_OPEN);
  EXPECT_EQ(Mdx4a_Start_Sample(0, 10000), MDX4A_ERR_NOT_OPEN);
  EXPECT_EQ(Mdx4a_Get_Datas(0, values, status, &count, 8), MDX4A_ERR_NOT_OPEN);
  EXPECT_EQ(count, 128) << "the count is untouched when nothing was fetched";
}

TEST_F(DeviceTable, OpenTwiceGives3AndCloseTwiceIsHarmless) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_ERR_ALREADY_OPEN);
  Mdx4a_Device_Close(0);
  EXPECT_FALSE(mdxdrv::ToolkitOpen());
  Mdx4a_Device_Close(0);
  EXPECT_EQ(Requests(unit).size(), 1u) << "only the first close reaches the unit";
  double value = 0;
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_ERR_NOT_OPEN);
}

TEST_F(DeviceTable, BaseUnitReportingOneIsUnitTwo) {
  usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 1);
  EXPECT_EQ(Mdx4a_Device_Open(2), MDX4A_OK);
  EXPECT_EQ(devTable[1].model, mdxdrv::kModelBase);
  // The connection is open: no wait for an ID whose slot is empty.
  const int pauses = PauseLog::pauses;
  EXPECT_EQ(Mdx4a_Device_Open(1), MDX4A_ERR_NOT_FOUND);
  EXPECT_EQ(PauseLog::pauses, pauses);
}

TEST_F(DeviceTable, WrongIdWaitsTwoSecondsWhenTheOpenStartsTheToolkit) {
  usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 1);
  EXPECT_EQ(Mdx4a_Device_Open(1), MDX4A_ERR_NOT_FOUND);
  EXPECT_EQ(PauseLog::pauses, 20);
  EXPECT_EQ(PauseLog::pausedMs, 2000u);
  EXPECT_TRUE(mdxdrv::ToolkitOpen()) << "the connection stays up for the next open";
  EXPECT_EQ(Mdx4a_Device_Open(2), MDX4A_OK);
  EXPECT_EQ(PauseLog::pauses, 20);
}

TEST_F(DeviceTable, ExtendedUnitReportingFiveIsUnitOne) {
  usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 5);
  EXPECT_EQ(Mdx4a_Device_Open(1), MDX4A_OK);
  EXPECT_EQ(devTable[2].model, mdxdrv::kModelExtended);
  EXPECT_TRUE(devTable[2].opened);
  EXPECT_EQ(PauseLog::pauses, 1) << "the open looks again after each pause";
}

TEST_F(DeviceTable, AttachDuringTheWaitIsSeen) {
  PauseLog::hook = [](int pause) {
    if (pause == 5) usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 4 | 3);
  };
  EXPECT_EQ(Mdx4a_Device_Open(3), MDX4A_OK);
  EXPECT_EQ(PauseLog::pauses, 5);
}

int RefuseAll(WDU_DEVICE_HANDLE, const UsbkitDeviceInfo*, void*) {
  return 0;
}
void IgnoreDetach(WDU_DEVICE_HANDLE, void*) {}

TEST_F(DeviceTable, FailedToolkitStartLeavesNothingHalfOpenAndIsTriedAgain) {
  usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 0);
  // The toolkit serves one driver handle at a time: while another holds it, the library's start
  // is refused.
  WDU_DRIVER_HANDLE other = nullptr;
  const UsbkitMatch match = {mdxdrv::kVendorId, mdxdrv::kProductId, 0, 0, 0, 0, 0};
  const UsbkitEvents events = {RefuseAll, IgnoreDetach, nullptr, nullptr};
  ASSERT_EQ(WDU_Init(&other, &match, 1, &events, 1), USBKIT_STATUS_SUCCESS);

  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_ERR_DRIVER);
  EXPECT_EQ(mdxdrv::startError, mdxdrv::kStartInitFailed);
  EXPECT_EQ(mdxdrv::hTableMutex.load(), nullptr);
  EXPECT_EQ(mdxdrv::hDriver, nullptr);
  EXPECT_EQ(PauseLog::pauses, 0) << "no wait for units after a failed start";
  double value = 0;
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_ERR_NOT_OPEN);
  Mdx4a_Device_Close(0);

  WDU_Uninit(other);
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  EXPECT_EQ(mdxdrv::startError, mdxdrv::kStartOk);
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_OK);
}

TEST_F(DeviceTable, RefusedUnitsTakeNoSlot) {
  // A base-model unit whose ID byte names no slot, and a unit whose probe fails.
  usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 8);
  const int failing = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 3);
  usbkit_sim_fail_probe(failing, 1);
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_ERR_NOT_FOUND);
  for (const auto& slot : devTable) EXPECT_FALSE(slot.attached);
  EXPECT_EQ(Mdx4a_Device_Open(3), MDX4A_ERR_NOT_FOUND);
}

TEST_F(DeviceTable, UnplugAndReplugAnOpenUnit) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  PlugAndOpen(USBKIT_SIM_MODEL_BASE, 3, 3);  // keeps the connection up
  usbkit_sim_unplug(unit);
  usbkit_sim_wait_idle();
  double value = 0;
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_ERR_NOT_OPEN);
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_ERR_NOT_FOUND);
  Mdx4a_Device_Close(0);
  EXPECT_TRUE(mdxdrv::ToolkitOpen());

  usbkit_sim_replug(unit);
  usbkit_sim_wait_idle();
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  EXPECT_EQ(Mdx4a_Single_Sample(0, &value, 8), MDX4A_OK);
}

TEST_F(DeviceTable, UnplugTheLastOpenUnitThenCloseShutsTheConnection) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  usbkit_sim_unplug(unit);
  usbkit_sim_wait_idle();
  // The slot is no longer open, so the close does nothing; the connection stays until an open
  // unit is closed, and the next open finds it up.
  Mdx4a_Device_Close(0);
  usbkit_sim_replug(unit);
  usbkit_sim_wait_idle();
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
}

TEST_F(DeviceTable, ConnectionLivesWhileAnyUnitIsOpen) {
  PlugAndOpen(USBKIT_SIM_MODEL_BASE, 0, 0);
  PlugAndOpen(USBKIT_SIM_MODEL_EXTENDED, 4 | 1, 1);
  const int pauses = PauseLog::pauses;
  Mdx4a_Device_Close(0);
  EXPECT_TRUE(mdxdrv::ToolkitOpen());
  EXPECT_NE(mdxdrv::hDriver, nullptr);
  double value = 0;
  EXPECT_EQ(Mdx4a_Single_Sample(1, &value, 8), MDX4A_OK);
  Mdx4a_Device_Close(1);
  EXPECT_FALSE(mdxdrv::ToolkitOpen());
  EXPECT_EQ(mdxdrv::hDriver, nullptr);

  // The next open starts the toolkit again, clears the table and waits for the attach.
  EXPECT_EQ(Mdx4a_Device_Open(1), MDX4A_OK);
  EXPECT_GT(PauseLog::pauses, pauses);
  EXPECT_FALSE(devTable[0].opened);
}

TEST_F(DeviceTable, TransferFailureGives9AndTheUnitStaysOpen) {
  const int unit = PlugAndOpen(USBKIT_SIM_MODEL_BASE, 2, 1);
  double value = 0;
  double values[4];
  uint8_t status[4];
  uint8_t count = 4;
  usbkit_sim_fail_transfers(unit, 1);
  EXPECT_EQ(Mdx4a_Single_Sample(1, &value, 8), MDX4A_ERR_USB);
  usbkit_sim_fail_transfers(unit, 1);
  EXPECT_EQ(Mdx4a_Start_Sample(1, 100), MDX4A_ERR_USB);
  usbkit_sim_fail_transfers(unit, 1);
  EXPECT_EQ(Mdx4a_Get_Datas(1, values, status, &count, 8), MDX4A_ERR_USB);
  EXPECT_EQ(count, 4);
  EXPECT_TRUE(devTable[UnitToSlot(1)].opened);
  EXPECT_EQ(Mdx4a_Single_Sample(1, &value, 8), MDX4A_OK);
}

TEST_F(DeviceTable, OpenAndCloseNoticeFailuresDoNotChangeResults) {
  const int unit = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 0);
  StartToolkit();
  usbkit_sim_fail_transfers(unit, 2);
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  usbkit_sim_fail_transfers(unit, 2);
  Mdx4a_Device_Close(0);
  EXPECT_FALSE(mdxdrv::ToolkitOpen());
}

}  // namespace
