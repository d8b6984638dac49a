// Shared by the benchmark and soak programs: a dialog service that never shows anything, answers
// Yes and OK and remembers the texts it was asked to show, four simulated units to measure, and
// the resident memory.
#pragma once

#include <unistd.h>

#include <array>
#include <cmath>
#include <fstream>

#include "core/module_data.h"
#include "core/null_dialog_service.h"
#include "usbkit_sim.h"

// Never shows anything; answers Yes and OK and keeps the texts it was asked to show.
class QuietDialogs : public NullDialogs {
 public:
  QuietDialogs() : NullDialogs(MsgAnswer::Yes) {}
};

// Resident set size of this process in kilobytes.
inline long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Four simulated base-model units on the manual clock, one per unit ID, each with its own slow
// saw-tooth around 200 degC + 50 degC x its index, on a type K thermocouple.
inline double RigWave(void* context, double t) {
  return 200.0 + 50.0 * *static_cast<int*>(context) + 0.3 * std::fmod(t, 1009.5);
}

// Returns the simulated units' numbers, in unit ID order.
inline std::array<int, 4> PlugFourRigUnits() {
  usbkit_sim_reset();
  usbkit_sim_enable();
  usbkit_sim_use_manual_clock(1);
  static int index[4] = {0, 1, 2, 3};
  static const unsigned char idByte[4] = {0, 2, 1, 3};
  std::array<int, 4> units{};
  for (int i = 0; i < 4; ++i) {
    const int sim = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, idByte[i]);
    units[i] = sim;
    usbkit_sim_set_temperature(sim, 4, 200.0, 25.0);
    usbkit_sim_set_profile(sim, &RigWave, &index[i]);
  }
  usbkit_sim_wait_idle();
  return units;
}

// All four units used, type K, sampled by the units every 10 ms without averaging.
inline void UseFourRigUnits(ModuleData& md) {
  for (int i = 0; i < 4; ++i) {
    md.Record.Units[i].MflagID = true;
    md.Record.Units[i].ConnectID = 4;
  }
  md.Record.TimerType = false;
  md.Record.IntervalTM = 10;
  md.Record.MeasKind = false;
  md.Record.DataAverage = false;
  md.UpdateAverageCount();
}
