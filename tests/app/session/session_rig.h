// The measurement session without a window on simulated units, with its continuous recording into
// a temporary folder: the sampling clock is driven by hand and the timer handlers are called
// directly.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <vector>

#include "../measure/acquisition_rig.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "files/data_file.h"
#include "scripted_dialogs.h"
#include "session/continuous_recording.h"
#include "session/measurement_session.h"
#include "session/record_files.h"
#include "usbkit_sim.h"

namespace sessiontest {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    usbkit_sim_reset();
    usbkit_sim_enable();
    usbkit_sim_use_manual_clock(1);
    session_.clock = [] { return static_cast<int64_t>(usbkit_sim_now_ms()); };
    recording_.SetFolder(Folder());
    QObject::connect(&recording_, &ContinuousRecording::fileWritten,
                     [this](const QString& path, int32_t) { written_.push_back(path); });
    QObject::connect(&recording_, &ContinuousRecording::warning,
                     [this](const QString& text) { warnings_.push_back(text); });
  }

  void TearDown() override {
    session_.StopMeasure();
    usbkit_sim_reset();
  }

  QString Folder() const { return dir_.filePath(QStringLiteral("records")); }
  QString Spare() const { return dir_.filePath(QStringLiteral("spare")); }

  // A simulated base-model unit opened as unit ID `id`, its hot junction on the saw tooth of the
  // acquisition tests shifted by 50 degC per unit.
  void Plug(int id) {
    static const unsigned char kIdByte[4] = {0, 2, 1, 3};
    sim_[id] = usbkit_sim_plug(USBKIT_SIM_MODEL_BASE, kIdByte[id]);
    usbkit_sim_set_temperature(sim_[id], acqtest::kTypeK, 100.0, acqtest::kRefC);
    offsets_[id] = 50.0 * id;
    usbkit_sim_set_profile(sim_[id], &acqtest::SawTooth, &offsets_[id]);
    plugTime_[id] = usbkit_sim_now_ms();
    usbkit_sim_wait_idle();
  }

  void Configure(const std::vector<int>& ids, bool computerPaced, int32_t intervalMs,
                 bool average) {
    for (int i = 0; i < 4; ++i) {
      md_.Record.Units[i].MflagID = false;
      md_.Record.Units[i].ConnectID = acqtest::kTypeK;
    }
    for (int id : ids) md_.Record.Units[id].MflagID = true;
    md_.Record.TimerType = computerPaced;
    md_.Record.IntervalTM = intervalMs;
    md_.Record.DataAverage = average;
    md_.UpdateAverageCount();
  }

  // Starts measuring in continuous recording; the timers are driven by hand.
  void Start() {
    recording_.SetEnabled(true);
    ASSERT_TRUE(session_.Start());
    session_.Timer1()->stop();
    session_.Timer2()->stop();
  }

  // One sampling interval (computer-paced) or one poll after `pollMs` (unit-paced).
  void Tick(unsigned pollMs = 300) {
    if (md_.Record.TimerType) {
      for (int32_t k = 0; k < session_.Counters().TickDivider; ++k) {
        usbkit_sim_advance_ms(static_cast<unsigned>(session_.Counters().TickPeriod));
        session_.Timer1_Timer();
      }
    } else {
      usbkit_sim_advance_ms(pollMs);
      session_.Timer2_Timer();
    }
  }

  // The unit's hot-junction temperature at the toolkit time `now`.
  double Model(int id, double now) const {
    return acqtest::SawTooth(const_cast<double*>(&offsets_[id]), now - plugTime_[id]);
  }

  static DataFileImage Read(const QString& path) {
    DataFileImage image;
    QString error;
    EXPECT_TRUE(ReadDataFileImage(path, image, &error))
        << path.toStdString() << ": " << error.toStdString();
    return image;
  }

  QTemporaryDir dir_;
  ScriptedDialogs dialogs_;
  ModuleData md_;
  MDX4A driver_{dialogs_};
  MeasurementSession session_{md_, driver_, dialogs_};
  ContinuousRecording recording_{session_, md_, Spare()};
  std::vector<QString> written_;
  std::vector<QString> warnings_;
  std::array<int, 4> sim_{};
  std::array<double, 4> offsets_{};
  std::array<double, 4> plugTime_{};
};

}  // namespace sessiontest
