// The toolkit's life cycle: notifications, handles, refusal, re-initialisation, mutexes.
#include <atomic>
#include <cstdlib>

#include "sim_fixture.h"

namespace usbkit_test {
namespace {

using ToolkitTest = SimTest;

TEST_F(ToolkitTest, AttachAndDetachRunOnTheNotificationThreadWithTheSameHandle) {
  int early = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 0);  // present before the toolkit opens
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  ASSERT_NE(driver_, nullptr);
  usbkit_sim_wait_idle();
  int late = PlugAndWait(USBKIT_SIM_MODEL_EXTENDED, 5);
  usbkit_sim_unplug(early);
  usbkit_sim_unplug(late);
  usbkit_sim_wait_idle();

  std::vector<Notice> n = Notices();
  ASSERT_EQ(n.size(), 4u);
  EXPECT_TRUE(n[0].attach);
  EXPECT_EQ(n[0].id_byte, 0);
  EXPECT_TRUE(n[1].attach);
  EXPECT_EQ(n[1].id_byte, 5);
  EXPECT_FALSE(n[2].attach);
  EXPECT_EQ(n[2].handle, n[0].handle);
  EXPECT_FALSE(n[3].attach);
  EXPECT_EQ(n[3].handle, n[1].handle);
  EXPECT_NE(n[0].handle, n[1].handle);
  for (const Notice& notice : n) {
    EXPECT_NE(notice.thread, std::this_thread::get_id());
    EXPECT_EQ(notice.thread, n[0].thread);
  }
  std::lock_guard<std::mutex> lock(mu_);
  EXPECT_EQ(infos_[0].vendor_id, 0x0BA0);
  EXPECT_EQ(infos_[0].product_id, 0x000F);
}

TEST_F(ToolkitTest, HandleOfAGoneUnitFailsAndAReplugGetsAFreshOne) {
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  int unit = PlugAndWait(USBKIT_SIM_MODEL_BASE, 2);
  WDU_DEVICE_HANDLE first = HandleOf(2);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Exchange(first, {0x40}, 1), USBKIT_STATUS_SUCCESS);

  usbkit_sim_unplug(unit);
  // The handle stops working at once, before the detach handler has even run.
  EXPECT_EQ(Exchange(first, {0x40}, 1), USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_ResetPipe(first, 0x81), USBKIT_STATUS_FAILED);
  usbkit_sim_wait_idle();

  usbkit_sim_replug(unit);
  usbkit_sim_wait_idle();
  WDU_DEVICE_HANDLE second = HandleOf(2);
  EXPECT_NE(second, first);
  EXPECT_EQ(Exchange(second, {0x40}, 1), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(Exchange(first, {0x40}, 1), USBKIT_STATUS_FAILED);
  // Only requests that reached the unit are logged: probe, open, probe, open.
  EXPECT_EQ(usbkit_sim_request_count(unit), 4);
}

TEST_F(ToolkitTest, FailingProbeRefusesTheUnitUntilItIsPluggedAgainHealthy) {
  int unit = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 3);
  usbkit_sim_fail_probe(unit, 1);
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  usbkit_sim_wait_idle();
  std::vector<Notice> n = Notices();
  ASSERT_EQ(n.size(), 1u);
  EXPECT_EQ(n[0].id_byte, -1);
  WDU_DEVICE_HANDLE refused = n[0].handle;
  EXPECT_EQ(Exchange(refused, {0x40}, 1), USBKIT_STATUS_FAILED);
  EXPECT_EQ(usbkit_sim_request_count(unit), 0);

  // A refused unit leaves without a detach notification.
  usbkit_sim_unplug(unit);
  usbkit_sim_wait_idle();
  EXPECT_EQ(Notices().size(), 1u);

  usbkit_sim_fail_probe(unit, 0);
  usbkit_sim_replug(unit);
  usbkit_sim_wait_idle();
  ASSERT_EQ(Notices().size(), 2u);
  EXPECT_EQ(Notices()[1].id_byte, 3);
}

TEST_F(ToolkitTest, HandlerThatRefusesKeepsTheUnitOut) {
  refuse_all_ = true;
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  int unit = PlugAndWait(USBKIT_SIM_MODEL_EXTENDED, 4);
  WDU_DEVICE_HANDLE handle = HandleOf(4);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(Exchange(handle, {0x40}, 1), USBKIT_STATUS_FAILED);
  usbkit_sim_unplug(unit);
  usbkit_sim_wait_idle();
  EXPECT_EQ(Notices().size(), 1u);
}

TEST_F(ToolkitTest, OnlyMatchingUnitsAreReported) {
  ASSERT_EQ(Open(0x0BA0, 0x0010), USBKIT_STATUS_SUCCESS);
  int unit = PlugAndWait(USBKIT_SIM_MODEL_BASE, 0);
  EXPECT_TRUE(Notices().empty());
  EXPECT_EQ(usbkit_sim_request_count(unit), 0);
}

TEST_F(ToolkitTest, InitAfterUninitWorksAndOldHandlesStayDead) {
  int unit = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 0);
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  usbkit_sim_wait_idle();
  WDU_DEVICE_HANDLE old_handle = HandleOf(0);
  ASSERT_NE(old_handle, nullptr);
  Close();
  EXPECT_EQ(Exchange(old_handle, {0x40}, 1), USBKIT_STATUS_FAILED);
  // No notification after WDU_Uninit.
  usbkit_sim_unplug(unit);
  usbkit_sim_replug(unit);
  EXPECT_EQ(Notices().size(), 1u);

  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  usbkit_sim_wait_idle();
  ASSERT_EQ(Notices().size(), 2u);
  WDU_DEVICE_HANDLE new_handle = HandleOf(0);
  EXPECT_NE(new_handle, old_handle);
  EXPECT_EQ(Exchange(new_handle, {0x40}, 1), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(Exchange(old_handle, {0x40}, 1), USBKIT_STATUS_FAILED);
}

TEST_F(ToolkitTest, InitRejectsBadArgumentsAndASecondOpenHandle) {
  UsbkitMatch match{0x0BA0, 0x000F, 0, 0, 0, 0, 0};
  UsbkitEvents events{};
  WDU_DRIVER_HANDLE driver = nullptr;
  EXPECT_EQ(WDU_Init(&driver, &match, 1, &events, 1), USBKIT_STATUS_INVALID_ARGUMENT);
  events.on_attach = &SimTest::OnAttach;
  events.user_data = this;
  EXPECT_EQ(WDU_Init(nullptr, &match, 1, &events, 1), USBKIT_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(WDU_Init(&driver, nullptr, 1, &events, 1), USBKIT_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(WDU_Init(&driver, &match, 0, &events, 1), USBKIT_STATUS_INVALID_ARGUMENT);
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(WDU_Init(&driver, &match, 1, &events, 1), USBKIT_STATUS_INVALID_ARGUMENT);
  // Calls on handles that were never issued fail without harm.
  uint8_t byte = 0x40;
  EXPECT_EQ(WDU_Transfer(reinterpret_cast<WDU_DEVICE_HANDLE>(0x1234), kWritePipe, USBKIT_WRITE, 0,
                         &byte, 1, nullptr, nullptr, kTimeout),
            USBKIT_STATUS_FAILED);
  EXPECT_EQ(WDU_Transfer(nullptr, kWritePipe, USBKIT_WRITE, 0, &byte, 1, nullptr, nullptr, 10),
            USBKIT_STATUS_FAILED);
  WDU_Uninit(reinterpret_cast<WDU_DRIVER_HANDLE>(0x1234));  // not ours: ignored
  int unit = PlugAndWait(USBKIT_SIM_MODEL_BASE, 0);
  EXPECT_EQ(usbkit_sim_request_count(unit), 1);
}

TEST(OsMutexTest, GuardsACounterAcrossThreads) {
  OS_MUTEX_HANDLE mutex = nullptr;
  ASSERT_EQ(OsMutexCreate(&mutex), USBKIT_STATUS_SUCCESS);
  ASSERT_NE(mutex, nullptr);
  EXPECT_NE(OsMutexCreate(nullptr), USBKIT_STATUS_SUCCESS);
  int counter = 0;
  auto work = [&] {
    for (int i = 0; i < 10000; ++i) {
      OsMutexLock(mutex);
      ++counter;
      OsMutexUnlock(mutex);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 20000);
  OsMutexClose(mutex);
  OsMutexClose(nullptr);
}

}  // namespace
}  // namespace usbkit_test
