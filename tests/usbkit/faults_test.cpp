// Faults: failing transfers, a silent unit, unplugging at awkward moments, a lying fetch reply.
#include <atomic>
#include <chrono>
#include <future>

#include "sim_fixture.h"

namespace usbkit_test {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

class FaultTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
    unit_ = PlugAndWait(USBKIT_SIM_MODEL_BASE, 0);
    handle_ = HandleOf(0);
    ASSERT_NE(handle_, nullptr);
    usbkit_sim_clear_requests(unit_);
  }

  int unit_ = 0;
  WDU_DEVICE_HANDLE handle_ = nullptr;
};

TEST_F(FaultTest, TheNextTransfersFailThenTheUnitWorksAgain) {
  usbkit_sim_fail_transfers(unit_, 2);
  EXPECT_EQ(Exchange(handle_, {0x40}, 1), USBKIT_STATUS_FAILED);  // write fails
  ASSERT_EQ(Exchange(handle_, {0x10}, 0), USBKIT_STATUS_FAILED);  // write fails
  EXPECT_EQ(Exchange(handle_, {0x10}, 10), USBKIT_STATUS_SUCCESS);
  // The failed writes never reached the unit.
  EXPECT_EQ(Requests(unit_), (std::vector<Bytes>{{0x10}}));

  // A failing read after a good write.
  ASSERT_EQ(Exchange(handle_, {0x40}, 0), USBKIT_STATUS_SUCCESS);
  usbkit_sim_fail_transfers(unit_, 1);
  uint8_t byte = 0;
  EXPECT_EQ(WDU_Transfer(handle_, kReadPipe, USBKIT_READ, 0, &byte, 1, nullptr, nullptr, kTimeout),
            USBKIT_STATUS_FAILED);
}

TEST_F(FaultTest, SilentUnitTimesOutOnTheManualClockAtOnce) {
  usbkit_sim_use_manual_clock(1);
  usbkit_sim_set_unresponsive(unit_, 1);
  double before = usbkit_sim_now_ms();
  EXPECT_EQ(Exchange(handle_, {0x10}, 10), USBKIT_STATUS_FAILED);
  EXPECT_DOUBLE_EQ(usbkit_sim_now_ms() - before, kTimeout);
  // It heard the request, it just never answered.
  EXPECT_EQ(Requests(unit_), (std::vector<Bytes>{{0x10}}));
  usbkit_sim_set_unresponsive(unit_, 0);
  EXPECT_EQ(Exchange(handle_, {0x10}, 10), USBKIT_STATUS_SUCCESS);
}

TEST_F(FaultTest, SilentUnitTimesOutInRealTime) {
  usbkit_sim_set_unresponsive(unit_, 1);
  auto start = Clock::now();
  EXPECT_EQ(Exchange(handle_, {0x10}, 10, nullptr, 80), USBKIT_STATUS_FAILED);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(75));
}

TEST_F(FaultTest, UnplugDuringABlockedReadFailsItPromptly) {
  usbkit_sim_set_unresponsive(unit_, 1);
  ASSERT_EQ(Exchange(handle_, {0x10}, 0), USBKIT_STATUS_SUCCESS);
  auto start = Clock::now();
  std::future<uint32_t> read = std::async(std::launch::async, [this] {
    uint8_t buffer[10];
    return WDU_Transfer(handle_, kReadPipe, USBKIT_READ, 0, buffer, sizeof buffer, nullptr, nullptr,
                        kTimeout);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  usbkit_sim_unplug(unit_);
  ASSERT_EQ(read.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(read.get(), USBKIT_STATUS_FAILED);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  usbkit_sim_wait_idle();
  EXPECT_FALSE(Notices().back().attach);
}

TEST_F(FaultTest, ResetDuringABlockedReadFailsItToo) {
  usbkit_sim_set_unresponsive(unit_, 1);
  std::future<uint32_t> read = std::async(
      std::launch::async, [this] { return Exchange(handle_, {0x10}, 10, nullptr, kTimeout); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  usbkit_sim_reset();
  ASSERT_EQ(read.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(read.get(), USBKIT_STATUS_FAILED);
}

TEST_F(FaultTest, UninitDoesNotWaitForAProbeOfASilentUnit) {
  Close();
  int silent = usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 5);
  usbkit_sim_set_unresponsive(silent, 1);
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  // Give the notification thread time to block in the probe's read.
  for (int i = 0; i < 200 && usbkit_sim_request_count(silent) < 1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(usbkit_sim_request_count(silent), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  auto start = Clock::now();
  Close();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  ASSERT_FALSE(Notices().empty());
  EXPECT_EQ(Notices().back().id_byte, -1);
}

TEST_F(FaultTest, UnplugAndReplugWhileAnotherThreadTransfers) {
  std::atomic<bool> stop{false};
  std::atomic<int> good{0}, bad{0};
  std::thread worker([&] {
    while (!stop) {
      WDU_DEVICE_HANDLE h = HandleOf(0);
      uint32_t status = Exchange(h, {0x10}, 10, nullptr, 2000);
      (status == USBKIT_STATUS_SUCCESS ? good : bad)++;
    }
  });
  for (int i = 0; i < 40; ++i) {
    usbkit_sim_unplug(unit_);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    usbkit_sim_replug(unit_);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  usbkit_sim_wait_idle();
  stop = true;
  worker.join();
  EXPECT_GT(good.load() + bad.load(), 0);
  // A unit gone before its attach ran is never reported, and one gone during the probe is
  // refused; every accepted attach is followed by exactly one detach with its handle.
  WDU_DEVICE_HANDLE current = nullptr;
  for (const Notice& notice : Notices()) {
    if (notice.attach && notice.id_byte >= 0) {
      EXPECT_EQ(current, nullptr);
      current = notice.handle;
    } else if (!notice.attach) {
      EXPECT_EQ(notice.handle, current);
      current = nullptr;
    }
  }
  EXPECT_NE(current, nullptr);
  EXPECT_EQ(Exchange(HandleOf(0), {0x10}, 10), USBKIT_STATUS_SUCCESS);
}

TEST_F(FaultTest, FetchReplyCanClaimMoreThanAsked) {
  usbkit_sim_use_manual_clock(1);
  ASSERT_EQ(Exchange(handle_, {0x20, 0x00, 0x01}, 0), USBKIT_STATUS_SUCCESS);
  usbkit_sim_advance_ms(100);
  usbkit_sim_overclaim_fetch(unit_, 5);
  Bytes reply;
  ASSERT_EQ(Exchange(handle_, {0x30, 3}, 1700, &reply), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(reply.at(1), 8);
  EXPECT_GE(reply.size(), 2u + 64 + 36);  // room for the eight claimed records
  EXPECT_EQ(usbkit_sim_buffered_count(unit_), 7);
  usbkit_sim_overclaim_fetch(unit_, 200);
  ASSERT_EQ(Exchange(handle_, {0x30, 128}, 1700, &reply), USBKIT_STATUS_SUCCESS);
  EXPECT_EQ(reply.at(1), 255);
  EXPECT_LE(reply.size(), 1700u);
}

}  // namespace
}  // namespace usbkit_test
