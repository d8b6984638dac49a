// The main window on simulated units, for the acquisition tests: the sampling clock is driven by
// hand and the timer handlers are called directly, so no test waits through real intervals.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "core/mdx4a.h"
#include "core/module_data.h"
#include "graph/chart2d.h"
#include "measure/form_main.h"
#include "scripted_dialogs.h"
#include "session/measurement_session.h"
#include "usbkit_sim.h"

namespace acqtest {

constexpr int kTypeK = 4;
constexpr double kRefC = 25.0;

// Hot-junction temperature of a simulated unit: a saw tooth that rises 0.5 degC per ms and starts
// again about every second, so that neighbouring readings (10 ms apart or more) differ by far more
// than the conversion's error and a reading stored in the wrong slot shows.
inline double SawTooth(void* context, double t) {
  const double offset = context ? *static_cast<double*>(context) : 0.0;
  return 100.0 + offset + 0.5 * std::fmod(t, 1009.5);
}

// What the driver's conversion may differ from the unit's physical model by (the Newton
// inversion stops within 0.1 degC; the converter words are quantised).
constexpr double kTolerance = 0.25;

class AcquisitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    usbkit_sim_reset();
    usbkit_sim_enable();
    usbkit_sim_use_manual_clock(1);
    form_ = std::make_unique<FormMain>(md_, driver_, dialogs_);
    // The session measures its ticks on the units' hand-driven clock.
    acq().clock = [] { return static_cast<int64_t>(usbkit_sim_now_ms()); };
  }

  void TearDown() override {
    if (md_.Measuring) acq().StopMeasure();
    dialogs_.onMessage = nullptr;
    form_.reset();
    usbkit_sim_reset();
  }

  MeasurementSession& acq() { return form_->Session(); }
  MainControls& ui() { return form_->Controls(); }
  Chart2D& chart() { return *ui().Chart2D1; }

  // Plugs a simulated base-model unit that is opened as unit ID `id` (the driver maps the ID byte
  // of a base unit 1 <-> 2). Its hot junction follows the saw tooth, shifted per unit.
  int Plug(int id) {
    static const unsigned char kIdByte[4] = {0, 2, 1, 3};
    const int sim = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, kIdByte[id]);
    usbkit_sim_set_temperature(sim, kTypeK, 100.0, kRefC);
    offsets_[id] = 50.0 * id;
    usbkit_sim_set_profile(sim, &SawTooth, &offsets_[id]);
    plugTime_[id] = usbkit_sim_now_ms();
    sim_[id] = sim;
    usbkit_sim_wait_idle();
    return sim;
  }

  // Uses the given units with type K thermocouples and the given timing.
  void Configure(std::vector<int> ids, bool computerPaced, int32_t intervalMs, bool average) {
    for (int i = 0; i < 4; ++i) {
      md_.Record.Units[i].MflagID = false;
      md_.Record.Units[i].ConnectID = kTypeK;
    }
    for (int id : ids) md_.Record.Units[id].MflagID = true;
    md_.Record.TimerType = computerPaced;
    md_.Record.IntervalTM = intervalMs;
    md_.Record.MeasKind = false;
    md_.Record.DataAverage = average;
    md_.UpdateAverageCount();
  }

  // The unit's hot-junction temperature at the toolkit time `now`.
  double Model(int id, double now) const {
    return SawTooth((void*)&offsets_[id], now - plugTime_[id]);
  }

  // A computer-paced measurement of unit 0 at one sample a second that takes one sample and stops.
  void MeasureOneSample() {
    Plug(0);
    Configure({0}, true, 1000, false);
    form_->cmdStart_Click();
    usbkit_sim_advance_ms(1000);
    acq().Timer1_Timer();
    form_->cmdStop_Click();
  }

  bool Idle() {
    return !md_.Measuring && ui().cmdStart->isEnabled() && !ui().cmdStop->isEnabled() &&
           !ui().Timer1->isActive() && !ui().Timer2->isActive();
  }

  // True when the driver holds none of the units open (an open succeeds and is undone).
  bool UnitsClosed(std::vector<int> ids) {
    for (int id : ids) {
      if (driver_.Mdx4a_Device_Open(static_cast<int16_t>(id)) != 0) return false;
      driver_.Mdx4a_Device_Close(static_cast<int16_t>(id));
    }
    return true;
  }

  // The start requests (command 0x20) logged by a simulated unit.
  std::vector<std::vector<unsigned char>> StartRequests(int id) {
    std::vector<std::vector<unsigned char>> out;
    for (int k = 0; k < usbkit_sim_request_count(sim_[id]); ++k) {
      unsigned char buf[64];
      const int n = usbkit_sim_request(sim_[id], k, buf, sizeof buf);
      if (n > 0 && buf[0] == 0x20) out.emplace_back(buf, buf + n);
    }
    return out;
  }

  int CountRequests(int id, unsigned char command) {
    int count = 0;
    for (int k = 0; k < usbkit_sim_request_count(sim_[id]); ++k) {
      unsigned char buf[64];
      if (usbkit_sim_request(sim_[id], k, buf, sizeof buf) > 0 && buf[0] == command) ++count;
    }
    return count;
  }

  ScriptedDialogs dialogs_;
  ModuleData md_;
  MDX4A driver_{dialogs_};
  std::unique_ptr<FormMain> form_;
  std::array<double, 4> offsets_{};
  std::array<double, 4> plugTime_{};
  std::array<int, 4> sim_{};
};

}  // namespace acqtest
