// Units come and go on the toolkit's thread while the exports run on the caller's thread. The
// whole test program runs under ThreadSanitizer in CI; this test gives it the races to look at.
#include <chrono>
#include <thread>

#include "sim_fixture.h"

namespace {

using drivertest::SimDriverTest;

class Concurrency : public SimDriverTest {};

// The attach wait of an open, shortened so that many opens fit into the test.
void ShortPause(unsigned) {
  std::this_thread::sleep_for(std::chrono::microseconds(50));
}

bool Allowed(int16_t result, std::initializer_list<int16_t> codes) {
  for (int16_t code : codes) {
    if (result == code) return true;
  }
  return false;
}

TEST_F(Concurrency, PlugAndUnplugWhileExportsRun) {
  mdxdrv::SetAttachPause(&ShortPause);
  const int base = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, 0);
  const int extended = usbkit_sim_plug(USBKIT_SIM_MODEL_EXTENDED, 4 | 1);
  usbkit_sim_set_temperature(base, 4, 100, 25);
  usbkit_sim_set_temperature(extended, 4, 100, 25);

  // Each unit in turn is pulled for a moment and left in long enough for its attach (probe
  // included) to finish, about 40 times over a tenth of a second.
  std::atomic<bool> done{false};
  std::thread plugger([&] {
    for (int round = 0; round < 40; ++round) {
      const int unit = (round % 2) ? base : extended;
      usbkit_sim_unplug(unit);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
      usbkit_sim_replug(unit);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done = true;
  });

  int opened = 0;
  int readings = 0;
  for (int round = 0; !done; ++round) {
    for (int16_t id : {int16_t{0}, int16_t{1}}) {
      const int16_t open = Mdx4a_Device_Open(id);
      ASSERT_TRUE(Allowed(open, {MDX4A_OK, MDX4A_ERR_ALREADY_OPEN, MDX4A_ERR_NOT_FOUND})) << open;
      opened += open == MDX4A_OK;
      double value = 0;
      const int16_t single = Mdx4a_Single_Sample(id, &value, 4);
      ASSERT_TRUE(Allowed(single, {MDX4A_OK, MDX4A_ERR_NOT_OPEN, MDX4A_ERR_USB})) << single;
      readings += single == MDX4A_OK;
      double values[16];
      uint8_t status[16];
      uint8_t count = 16;
      const int16_t fetch = Mdx4a_Get_Datas(id, values, status, &count, 8);
      ASSERT_TRUE(Allowed(fetch, {MDX4A_OK, MDX4A_ERR_NOT_OPEN, MDX4A_ERR_USB})) << fetch;
      ASSERT_LE(count, 16);
    }
    if (round % 3 == 2) {
      Mdx4a_Device_Close(0);
      Mdx4a_Device_Close(1);
    }
  }
  plugger.join();
  EXPECT_GT(opened, 0);
  RecordProperty("opened", opened);
  RecordProperty("readings", readings);

  // Settled again with both units plugged: the table agrees with the units.
  mdxdrv::SetAttachPause(&drivertest::PauseLog::Pause);
  usbkit_sim_wait_idle();
  Mdx4a_Device_Close(0);
  Mdx4a_Device_Close(1);
  EXPECT_EQ(Mdx4a_Device_Open(0), MDX4A_OK);
  EXPECT_EQ(Mdx4a_Device_Open(1), MDX4A_OK);
  double value = 0;
  EXPECT_EQ(Mdx4a_Single_Sample(1, &value, 4), MDX4A_OK);
  EXPECT_NEAR(value, 100, 0.3);
}

}  // namespace
